! The Fortran module from a Fortran program: the record's names are the C
! record's storage field by field, the parameters are the C ones, the time
! functions and texts come through, and texts of any length and buffers of
! any rank, type and stride go through OPEN3, WRITE3 and READ3.
!
!   fortran_test PATH     (the file to create)
program fortran_test
    use, intrinsic :: iso_c_binding, only: c_ptr, c_loc, c_intptr_t, c_int, c_long, c_float, c_double, &
                                            c_associated
    use orvex
    implicit none
    interface
        integer(c_long) function record_offset(i) bind(c)
            import :: c_int, c_long
            integer(c_int), value :: i
        end function
        integer(c_int) function parameter_count() bind(c)
            import :: c_int
        end function
        integer(c_int) function parameter_value(i) bind(c)
            import :: c_int
            integer(c_int), value :: i
        end function
        real(c_float) function c_amiss3() bind(c, name='amiss3')
            import :: c_float
        end function
        real(c_double) function c_dmiss3() bind(c, name='dmiss3')
            import :: c_double
        end function
        type(c_ptr) function orvex_fdesc3() bind(c)
            import :: c_ptr
        end function
    end interface
    integer :: failures = 0
    character(len=512) :: path

    if (command_argument_count() /= 1) then
        write (0, '(a)') 'usage: fortran_test PATH'
        stop 2
    end if
    call get_command_argument(1, path)
    call check_record()
    call check_parameters()
    call check_time_steps()
    call check_file(trim(path))
    if (failures /= 0) stop 1
    write (*, '(a)') 'fortran_test: all checks passed'

contains

    subroutine check(ok, what)
        logical, intent(in) :: ok
        character(len=*), intent(in) :: what
        if (.not. ok) then
            write (0, '(2a)') 'fortran_test: failed: ', what
            failures = failures + 1
        end if
    end subroutine

    integer(c_intptr_t) function address(p)
        type(c_ptr), intent(in) :: p
        address = transfer(p, 0_c_intptr_t)
    end function

    subroutine check_record()
        integer(c_intptr_t) :: base, at(37)
        integer :: i
        character(len=8) :: num
        base = address(orvex_fdesc3())
        call check(c_associated(orvex_fdesc3(), c_loc(P_ALP3D)), 'the record is the C record')
        at = [address(c_loc(P_ALP3D)), address(c_loc(P_BET3D)), address(c_loc(P_GAM3D)), &
              address(c_loc(XCENT3D)), address(c_loc(YCENT3D)), address(c_loc(XORIG3D)), &
              address(c_loc(YORIG3D)), address(c_loc(XCELL3D)), address(c_loc(YCELL3D)), &
              address(c_loc(FTYPE3D)), address(c_loc(CDATE3D)), address(c_loc(CTIME3D)), &
              address(c_loc(WDATE3D)), address(c_loc(WTIME3D)), address(c_loc(SDATE3D)), &
              address(c_loc(STIME3D)), address(c_loc(TSTEP3D)), address(c_loc(MXREC3D)), &
              address(c_loc(NVARS3D)), address(c_loc(NCOLS3D)), address(c_loc(NROWS3D)), &
              address(c_loc(NLAYS3D)), address(c_loc(NTHIK3D)), address(c_loc(GDTYP3D)), &
              address(c_loc(VGTYP3D)), address(c_loc(VGTOP3D)), address(c_loc(VGLVS3D)), &
              address(c_loc(VTYPE3D)), address(c_loc(GDNAM3D)), address(c_loc(UPNAM3D)), &
              address(c_loc(EXECN3D)), address(c_loc(FDESC3D)), address(c_loc(UPDSC3D)), &
              address(c_loc(VNAME3D)), address(c_loc(UNITS3D)), address(c_loc(VDESC3D)), &
              address(c_loc(VDESC3D(MXVARS3))) + MXDLEN3]
        do i = 1, 37
            write (num, '(i0)') i
            call check(at(i) - base == record_offset(i), 'offset of field '//trim(num)//' (37: the size)')
        end do
        ! Consecutive elements of the text arrays are their widths apart.
        call check(address(c_loc(VNAME3D(2))) - address(c_loc(VNAME3D(1))) == NAMLEN3, 'VNAME3D stride')
        call check(address(c_loc(FDESC3D(2))) - address(c_loc(FDESC3D(1))) == MXDLEN3, 'FDESC3D stride')
    end subroutine

    subroutine check_parameters()
        integer :: fortran(34)
        integer :: i
        character(len=8) :: num
        fortran = [MXFILE3, MXVARS3, MXLAYS3, MXDESC3, MXDLEN3, NAMLEN3, MXATTS3, &
                   KFEVNT3, DGRAPH3, CUSTOM3, DCTNRY3, GRDDED3, BNDARY3, IDDATA3, &
                   PROFIL3, GRNEST3, SMATRX3, GRDATT3, PTRFLY3, FSRDONLY3, FSRDWR3, &
                   FSNEW3, FSUNKN3, FSCREA3, QVINT, QVREAL, QVDBLE, BUFFIL3, &
                   VIRFIL3, LSTFIL3, BINFIL3, IMISS3, ALLAYS3, OKFLAG3]
        call check(parameter_count() == size(fortran), 'number of parameters')
        do i = 1, min(size(fortran), parameter_count())
            write (num, '(i0)') i
            call check(fortran(i) == parameter_value(i), 'parameter '//trim(num))
        end do
        call check(AMISS3 == c_amiss3(), 'AMISS3')
        call check(DMISS3 == c_dmiss3(), 'DMISS3')
        call check(ALLVAR3 == 'ALL' .and. CMISS3 == repeat('?', 16), 'special names')
    end subroutine

    subroutine check_time_steps()
        integer :: jdate, jtime, cdate, ctime
        character(len=24) :: dt
        jdate = 2023365
        jtime = 230000
        call NEXTIME(jdate, jtime, 20000)
        call check(jdate == 2024001 .and. jtime == 10000, 'NEXTIME across the year')
        call check(SECSDIFF(2023365, 230000, 2024001, 10000) == 7200, 'SECSDIFF')
        call check(TIME2SEC(-13000) == -5400, 'TIME2SEC')
        call check(SEC2TIME(90000) == 250000, 'SEC2TIME')
        call check(JSTEP3(2024001, 10000, 2023365, 210000, 20000) == 3, 'JSTEP3 on a step')
        call check(JSTEP3(2024001, 0, 2023365, 210000, 20000) == -1, 'JSTEP3 between steps')
        call check(CURREC(2024001, 0, 2023365, 210000, 20000, cdate, ctime) == 2, 'CURREC')
        call check(cdate == 2023365 .and. ctime == 230000, 'CURREC start of the step')
        dt = DT2STR(2024001, 123456)
        call check(len(DT2STR(1, 0)) == 24 .and. dt(1:8) == '12:34:56' .and. index(dt, '2024') > 0, 'DT2STR')
        call check(MMDDYY(2024001) == 'Jan. 1, 2024' .and. len(MMDDYY(1)) == 14, 'MMDDYY')
        call check(HHMMSS(10203) == '1:02:03' .and. len(HHMMSS(1)) == 10, 'HHMMSS')
        call check(MMDDYY(2024999) == '<DATE ERROR>', 'MMDDYY of no date')
    end subroutine

    subroutine check_file(path)
        character(len=*), intent(in) :: path
        integer, parameter :: NC = 4, NR = 3, NL = 2
        real :: r(NC, NR, NL), rin(NC, NR, NL)
        integer :: k(NC * NR * NL), kin(NC * NR * NL)
        double precision :: d(NC, NR, NL), din(2, NC, NR)
        integer :: c, j, l

        call check(SETENVVAR('FTEST_FILE  ', path), 'SETENVVAR')
        FTYPE3D = GRDDED3
        SDATE3D = 2024001
        STIME3D = 0
        TSTEP3D = 10000
        NCOLS3D = NC
        NROWS3D = NR
        NLAYS3D = NL
        NTHIK3D = 0
        NVARS3D = 3
        GDTYP3D = 1
        VGTYP3D = 2
        VGLVS3D(1:NL + 1) = [1.0, 0.9, 0.8]
        GDNAM3D = 'FGRID'
        FDESC3D(1) = 'written from Fortran'
        VNAME3D(1:3) = [character(len=16) :: 'REALS', 'INTS', 'DBLS']
        UNITS3D(1:3) = '1'
        VDESC3D(1:3) = VNAME3D(1:3)
        VTYPE3D(1:3) = [QVREAL, QVINT, QVDBLE]
        do l = 1, NL
            do j = 1, NR
                do c = 1, NC
                    r(c, j, l) = 1000.0 + 100 * l + 10 * j + c
                    d(c, j, l) = 3000.25D0 + 100 * l + 10 * j + c
                end do
            end do
        end do
        k = [(2000 + 7 * c, c = 1, size(k))]

        ! Names of any length, trailing blanks ignored.
        call check(OPEN3('FTEST_FILE', FSCREA3, 'FORTRAN_TEST'), 'OPEN3 new')
        call check(WRITE3('FTEST_FILE', 'REALS           ', 2024001, 0, r), 'WRITE3 rank 3 REAL')
        call check(WRITE3('FTEST_FILE', 'INTS', 2024001, 0, k), 'WRITE3 rank 1 INTEGER')
        call check(WRITE3('FTEST_FILE', 'DBLS', 2024001, 0, d), 'WRITE3 rank 3 DOUBLE PRECISION')
        call check(.not. WRITE3('FTEST_FILE', 'NOSUCH', 2024001, 0, r), 'WRITE3 of no variable')
        call check(CLOSE3('FTEST_FILE   '), 'CLOSE3')

        NVARS3D = 0
        VNAME3D(1:3) = ' '
        call check(OPEN3('FTEST_FILE', FSRDONLY3, 'FORTRAN_TEST'), 'OPEN3 read-only')
        call check(DESC3('FTEST_FILE'), 'DESC3')
        call check(NVARS3D == 3 .and. MXREC3D == 1 .and. NLAYS3D == NL, 'counts')
        call check(VNAME3D(3) == 'DBLS' .and. VTYPE3D(3) == QVDBLE .and. GDNAM3D == 'FGRID', 'names')
        call check(all(VGLVS3D(1:NL + 1) == [1.0, 0.9, 0.8]), 'layer surfaces')
        call check(FDESC3D(1) == 'written from Fortran', 'description')

        call check(READ3('FTEST_FILE', 'REALS', ALLAYS3, 2024001, 0, rin), 'READ3 REAL')
        call check(all(rin == r), 'REAL values')
        call check(READ3('FTEST_FILE', 'INTS', ALLAYS3, 2024001, 0, kin), 'READ3 INTEGER')
        call check(all(kin == k), 'INTEGER values')
        ! One layer into a strided section: the values land in the section only.
        din = -1
        call check(READ3('FTEST_FILE', 'DBLS', 2, 2024001, 0, din(2, :, :)), 'READ3 DOUBLE into a section')
        call check(all(din(2, :, :) == d(:, :, 2)) .and. all(din(1, :, :) == -1), 'DOUBLE values of layer 2')
        call check(.not. READ3('FTEST_FILE', 'REALS', ALLAYS3, 2024001, 10000, rin), 'READ3 of no step')
        call check(SHUT3(), 'SHUT3')
    end subroutine

end program fortran_test
