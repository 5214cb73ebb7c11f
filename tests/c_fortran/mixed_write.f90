! The mixed-language run, first part: a Fortran program describes a file
! through the module's record names and writes every step of a real, an
! integer and a double-precision variable on three layers, over a year's end.
! mixed_read (C) and the C++ checks read it back.
!
!   mixed_write     (the file is the logical name MIXED_FILE)
program mixed_write
    use orvex
    implicit none
    integer, parameter :: NC = 5, NR = 4, NL = 3, NSTEPS = 6
    real :: temp(NC, NR, NL)
    integer :: counts(NC, NR, NL)
    double precision :: pres(NC, NR, NL)
    integer :: jdate, jtime, n, c, r, l

    FTYPE3D = GRDDED3
    SDATE3D = 2023365
    STIME3D = 200000
    TSTEP3D = 20000
    NCOLS3D = NC
    NROWS3D = NR
    NLAYS3D = NL
    NTHIK3D = 1
    NVARS3D = 3
    GDTYP3D = 2
    P_ALP3D = 30.5D0
    P_BET3D = 60.25D0
    P_GAM3D = -90.75D0
    XCENT3D = -91.5D0
    YCENT3D = 41.25D0
    XORIG3D = -120000.0D0
    YORIG3D = -96000.0D0
    XCELL3D = 24000.0D0
    YCELL3D = 24000.0D0
    VGTYP3D = 2
    VGTOP3D = 10000.0
    VGLVS3D(1:NL + 1) = [1.0, 0.95, 0.9, 0.8]
    GDNAM3D = 'MIXED_24K'
    FDESC3D(1) = 'Written from Fortran'
    FDESC3D(2) = 'read from C and C++'
    VNAME3D(1:3) = [character(len=16) :: 'TEMP', 'COUNT', 'PRES']
    UNITS3D(1:3) = [character(len=16) :: 'K', '1', 'Pa']
    VDESC3D(1:3) = [character(len=80) :: 'air temperature', 'a count', 'pressure']
    VTYPE3D(1:3) = [QVREAL, QVINT, QVDBLE]

    if (.not. OPEN3('MIXED_FILE', FSCREA3, 'MIXED_WRITE')) stop 1
    jdate = SDATE3D
    jtime = STIME3D
    do n = 1, NSTEPS
        do l = 1, NL
            do r = 1, NR
                do c = 1, NC
                    temp(c, r, l) = real(10000 + 1000 * n + 100 * l + 10 * r + c)
                    counts(c, r, l) = 20000 + 1000 * n + 100 * l + 10 * r + c
                    pres(c, r, l) = 30000.125D0 + 1000 * n + 100 * l + 10 * r + c
                end do
            end do
        end do
        if (.not. WRITE3('MIXED_FILE', 'TEMP', jdate, jtime, temp)) stop 1
        if (.not. WRITE3('MIXED_FILE', 'COUNT', jdate, jtime, counts)) stop 1
        if (.not. WRITE3('MIXED_FILE', 'PRES', jdate, jtime, pres)) stop 1
        call NEXTIME(jdate, jtime, TSTEP3D)
    end do
    if (.not. SHUT3()) stop 1
    write (*, '(a)') 'mixed_write: 6 steps of 3 variables written'
end program mixed_write
