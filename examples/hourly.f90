! The everyday workflow of a model program on orvex, from Fortran: describe a
! gridded file, create it, write 24 hourly steps of two variables, close it,
! reopen it read-only, describe it again and read step 13 back.
!
!   hourly_f90 [PATH]     (default: hourly.nc in the working directory)
!
! The file is named by the logical name HOURLY; its path is bound here with
! SETENVVAR, as a run script would do with `export HOURLY=...`.
program hourly
    use orvex
    implicit none
    integer, parameter :: NCOLS = 40, NROWS = 30
    integer, parameter :: START = 2024182   ! 30 June 2024
    integer, parameter :: STEP = 10000      ! one hour
    real :: t(NCOLS, NROWS), w(NCOLS, NROWS)
    character(len=512) :: path
    integer :: jdate, jtime, n, c, r

    path = 'hourly.nc'
    if (command_argument_count() > 0) call get_command_argument(1, path)
    if (.not. SETENVVAR('HOURLY', path)) stop 1

    ! 1. Describe the file.
    FTYPE3D = GRDDED3
    SDATE3D = START
    STIME3D = 0
    TSTEP3D = STEP
    NCOLS3D = NCOLS
    NROWS3D = NROWS
    NLAYS3D = 1
    NVARS3D = 2
    GDTYP3D = 2   ! Lambert conformal
    P_ALP3D = 33.0D0
    P_BET3D = 45.0D0
    P_GAM3D = -97.0D0
    XCENT3D = -97.0D0
    YCENT3D = 40.0D0
    XORIG3D = -240000.0D0
    YORIG3D = -180000.0D0
    XCELL3D = 12000.0D0
    YCELL3D = 12000.0D0
    VGTYP3D = 2
    VGTOP3D = 5000.0
    VGLVS3D(1) = 1.0
    VGLVS3D(2) = 0.98
    GDNAM3D = 'HOURLY_12K'
    FDESC3D(1) = 'Hourly surface fields of an example model run'
    VNAME3D(1) = 'TEMP2'
    UNITS3D(1) = 'K'
    VDESC3D(1) = 'temperature at 2 m'
    VTYPE3D(1) = QVREAL
    VNAME3D(2) = 'WSPD10'
    UNITS3D(2) = 'm/s'
    VDESC3D(2) = 'wind speed at 10 m'
    VTYPE3D(2) = QVREAL

    ! 2. Create it (replacing an old one) and write 24 steps.
    if (.not. OPEN3('HOURLY', FSCREA3, 'HOURLY')) stop 1
    jdate = START
    jtime = 0
    do n = 0, 23
        do r = 1, NROWS
            do c = 1, NCOLS
                t(c, r) = temperature(n, c - 1, r - 1)
                w(c, r) = wind(n, c - 1, r - 1)
            end do
        end do
        if (.not. WRITE3('HOURLY', 'TEMP2', jdate, jtime, t)) stop 1
        if (.not. WRITE3('HOURLY', 'WSPD10', jdate, jtime, w)) stop 1
        call NEXTIME(jdate, jtime, STEP)
    end do
    if (.not. CLOSE3('HOURLY')) stop 1

    ! 3. Reopen read-only and describe.
    if (.not. OPEN3('HOURLY', FSRDONLY3, 'HOURLY')) stop 1
    if (.not. DESC3('HOURLY')) stop 1
    if (MXREC3D /= 24 .or. NVARS3D /= 2 .or. VNAME3D(2) /= 'WSPD10') then
        write (0, '(a, i0, a, i0, a)') 'hourly_f90: unexpected description (', MXREC3D, ' records, ', &
            NVARS3D, ' variables)'
        stop 1
    end if

    ! 4. Read step 13 (12:00) of both variables and check every value.
    jdate = START
    jtime = 0
    call NEXTIME(jdate, jtime, 12 * STEP)
    if (.not. READ3('HOURLY', 'TEMP2', ALLAYS3, jdate, jtime, t)) stop 1
    if (.not. READ3('HOURLY', 'WSPD10', ALLAYS3, jdate, jtime, w)) stop 1
    do r = 1, NROWS
        do c = 1, NCOLS
            if (abs(t(c, r) - temperature(12, c - 1, r - 1)) > 1.0E-4 .or. &
                abs(w(c, r) - wind(12, c - 1, r - 1)) > 1.0E-4) then
                write (0, '(a, i0, a, i0)') 'hourly_f90: wrong value at column ', c, ' row ', r
                stop 1
            end if
        end do
    end do
    write (*, '(3a)') 'hourly_f90: 24 steps written; step 13 (', DT2STR(jdate, jtime), ') read back and checked'
    if (.not. SHUT3()) stop 1

contains

    real function temperature(n, c, r)
        integer, intent(in) :: n, c, r
        temperature = 288.0 + 0.1 * c - 0.05 * r + 0.5 * sin(0.26 * n)
    end function

    real function wind(n, c, r)
        integer, intent(in) :: n, c, r
        wind = 3.0 + 0.02 * (c + r) + 0.1 * n
    end function

end program hourly
