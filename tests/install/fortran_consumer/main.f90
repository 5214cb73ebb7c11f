! A Fortran program outside the project that links the installed library:
! writes a time-independent file of one variable through the module and reads
! it back.
program fortran_consumer
    use orvex
    implicit none
    real :: written(3, 2), got(3, 2)
    character(len=512) :: path
    if (command_argument_count() /= 1) stop 1
    call get_command_argument(1, path)
    if (.not. SETENVVAR('CONSUMED', path)) stop 1
    written = reshape([1.0, 2.0, 3.0, 4.0, 5.0, 6.0], [3, 2])
    got = 0
    FTYPE3D = GRDDED3
    SDATE3D = 0
    STIME3D = 0
    TSTEP3D = 0
    NCOLS3D = 3
    NROWS3D = 2
    NLAYS3D = 1
    NVARS3D = 1
    GDTYP3D = 1
    VGTYP3D = 2
    GDNAM3D = 'LATLON'
    VNAME3D(1) = 'HEIGHT'
    UNITS3D(1) = 'm'
    VDESC3D(1) = 'terrain height'
    VTYPE3D(1) = QVREAL
    if (.not. OPEN3('CONSUMED', FSCREA3, 'F_CONSUMER')) stop 1
    if (.not. WRITE3('CONSUMED', 'HEIGHT', 0, 0, written)) stop 1
    if (.not. READ3('CONSUMED', 'HEIGHT', ALLAYS3, 0, 0, got)) stop 1
    if (.not. SHUT3()) stop 1
    if (any(abs(got - written) > 0.0)) stop 1
    write (*, '(a)') 'fortran_consumer: OK'
end program fortran_consumer
