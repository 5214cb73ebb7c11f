! orvex from Fortran: the gridded-file layer's parameters, its description
! record and its operations, over the C interface (include/orvex/orvex.h).
!
! After `use orvex` the record's fields are variables of their own names
! (NCOLS3D, VNAME3D(1), VGLVS3D(1:MXLAYS3+1), ...), every index counting from
! 1. They live in a common block bound to the C++ record itself, so C++, C and
! Fortran callers in one program share one description.
!
! Text arguments may be of any length; trailing blanks are ignored. Buffers
! are REAL, INTEGER or DOUBLE PRECISION arrays of any rank, column fastest,
! then row, then layer, then variable.
module orvex
    use, intrinsic :: iso_c_binding, only: c_int, c_float, c_double, c_char, c_null_char
    implicit none
    private :: c_int, c_float, c_double, c_char, c_null_char, cstr, ftext

    ! ---- Limits
    integer, parameter :: MXFILE3 = 200    ! file slots in the open-file table
    integer, parameter :: MXVARS3 = 2048   ! variables in one file
    integer, parameter :: MXLAYS3 = 100    ! layers; the surface list holds MXLAYS3 + 1 values
    integer, parameter :: MXDESC3 = 60     ! lines of a file or update description
    integer, parameter :: MXDLEN3 = 80     ! characters of one description line
    integer, parameter :: NAMLEN3 = 16     ! characters of a logical, variable, unit, grid or program name
    integer, parameter :: MXATTS3 = 20     ! extra numeric attributes per variable (GRDATT3 files)

    ! ---- File types (FTYPE3D)
    integer, parameter :: KFEVNT3 = -3, DGRAPH3 = -2, CUSTOM3 = -1, DCTNRY3 = 0, GRDDED3 = 1, &
                          BNDARY3 = 2, IDDATA3 = 3, PROFIL3 = 4, GRNEST3 = 5, SMATRX3 = 6, &
                          GRDATT3 = 7, PTRFLY3 = 8

    ! ---- Open statuses (argument of OPEN3)
    integer, parameter :: FSRDONLY3 = 1, FSRDWR3 = 2, FSNEW3 = 3, FSUNKN3 = 4, FSCREA3 = 5

    ! ---- Data types (VTYPE3D)
    integer, parameter :: QVINT = 4, QVREAL = 5, QVDBLE = 6

    ! ---- Dataset-handle codes of slots that do not hold a netCDF dataset
    integer, parameter :: BUFFIL3 = -1, VIRFIL3 = -2, LSTFIL3 = -3, BINFIL3 = -4

    ! ---- Missing values and special names
    integer, parameter :: IMISS3 = -9999
    real, parameter :: AMISS3 = -9.0E36
    double precision, parameter :: DMISS3 = -9.0D36
    character(len=16), parameter :: CMISS3 = '????????????????'
    character(len=16), parameter :: ALLVAR3 = 'ALL'
    integer, parameter :: ALLAYS3 = -1
    integer, parameter :: OKFLAG3 = 5461

    ! ---- The description record, in the member order of the C++ record (TARGET,
    ! so that C_LOC may hand a field to C)
    real(c_double), target :: P_ALP3D, P_BET3D, P_GAM3D   ! map-projection parameters
    real(c_double), target :: XCENT3D, YCENT3D            ! origin of the projected coordinates
    real(c_double), target :: XORIG3D, YORIG3D            ! lower-left corner of the grid
    real(c_double), target :: XCELL3D, YCELL3D            ! cell sizes
    integer(c_int), target :: FTYPE3D                     ! file type
    integer(c_int), target :: CDATE3D, CTIME3D            ! creation date and time
    integer(c_int), target :: WDATE3D, WTIME3D            ! last header update
    integer(c_int), target :: SDATE3D, STIME3D            ! first time step
    integer(c_int), target :: TSTEP3D                     ! time step (HHMMSS); 0 time-independent
    integer(c_int), target :: MXREC3D                     ! records now in the file
    integer(c_int), target :: NVARS3D, NCOLS3D, NROWS3D, NLAYS3D, NTHIK3D
    integer(c_int), target :: GDTYP3D                     ! horizontal grid type
    integer(c_int), target :: VGTYP3D                     ! vertical coordinate type
    real(c_float), target :: VGTOP3D                      ! model top
    real(c_float), target :: VGLVS3D(MXLAYS3 + 1)         ! layer surfaces
    integer(c_int), target :: VTYPE3D(MXVARS3)            ! data type of each variable
    character(len=NAMLEN3), target :: GDNAM3D             ! grid name
    character(len=NAMLEN3), target :: UPNAM3D             ! program that last wrote the header
    character(len=MXDLEN3), target :: EXECN3D             ! execution identifier of the creating run
    character(len=MXDLEN3), target :: FDESC3D(MXDESC3)    ! file description
    character(len=MXDLEN3), target :: UPDSC3D(MXDESC3)    ! update (history) description
    character(len=NAMLEN3), target :: VNAME3D(MXVARS3)    ! variable names
    character(len=NAMLEN3), target :: UNITS3D(MXVARS3)    ! variable units
    character(len=MXDLEN3), target :: VDESC3D(MXVARS3)    ! variable descriptions
    common /FDESC3/ P_ALP3D, P_BET3D, P_GAM3D, XCENT3D, YCENT3D, XORIG3D, YORIG3D, XCELL3D, YCELL3D, &
        FTYPE3D, CDATE3D, CTIME3D, WDATE3D, WTIME3D, SDATE3D, STIME3D, TSTEP3D, MXREC3D, &
        NVARS3D, NCOLS3D, NROWS3D, NLAYS3D, NTHIK3D, GDTYP3D, VGTYP3D, VGTOP3D, VGLVS3D, VTYPE3D, &
        GDNAM3D, UPNAM3D, EXECN3D, FDESC3D, UPDSC3D, VNAME3D, UNITS3D, VDESC3D
    bind(c, name='orvex_fdesc3_record') :: /FDESC3/

    ! ---- The C entries (visible under their C names too)
    interface
        integer(c_int) function orvex_open3(fname, fstatus, pgname) bind(c)
            import :: c_int, c_char
            character(kind=c_char), dimension(*), intent(in) :: fname, pgname
            integer(c_int), value :: fstatus
        end function
        integer(c_int) function orvex_desc3(fname) bind(c)
            import :: c_int, c_char
            character(kind=c_char), dimension(*), intent(in) :: fname
        end function
        integer(c_int) function orvex_read3(fname, vname, layer, jdate, jtime, buffer) bind(c)
            import :: c_int, c_char
            character(kind=c_char), dimension(*), intent(in) :: fname, vname
            integer(c_int), value :: layer, jdate, jtime
            type(*), dimension(*) :: buffer
        end function
        integer(c_int) function orvex_write3(fname, vname, jdate, jtime, buffer) bind(c)
            import :: c_int, c_char
            character(kind=c_char), dimension(*), intent(in) :: fname, vname
            integer(c_int), value :: jdate, jtime
            type(*), dimension(*), intent(in) :: buffer
        end function
        integer(c_int) function orvex_close3(fname) bind(c)
            import :: c_int, c_char
            character(kind=c_char), dimension(*), intent(in) :: fname
        end function
        integer(c_int) function orvex_shut3() bind(c)
            import :: c_int
        end function
        integer(c_int) function orvex_init3() bind(c)
            import :: c_int
        end function
        integer(c_int) function orvex_setenvvar(lname, value) bind(c)
            import :: c_int, c_char
            character(kind=c_char), dimension(*), intent(in) :: lname, value
        end function
        subroutine orvex_nextime(jdate, jtime, tstep) bind(c)
            import :: c_int
            integer(c_int), intent(inout) :: jdate, jtime
            integer(c_int), value :: tstep
        end subroutine
        integer(c_int) function orvex_secsdiff(adate, atime, zdate, ztime) bind(c)
            import :: c_int
            integer(c_int), value :: adate, atime, zdate, ztime
        end function
        integer(c_int) function orvex_jstep3(jdate, jtime, sdate, stime, tstep) bind(c)
            import :: c_int
            integer(c_int), value :: jdate, jtime, sdate, stime, tstep
        end function
        integer(c_int) function orvex_currec(jdate, jtime, sdate, stime, tstep, cdate, ctime) bind(c)
            import :: c_int
            integer(c_int), value :: jdate, jtime, sdate, stime, tstep
            integer(c_int), intent(inout) :: cdate, ctime
        end function
        integer(c_int) function orvex_sec2time(secs) bind(c)
            import :: c_int
            integer(c_int), value :: secs
        end function
        integer(c_int) function orvex_time2sec(time) bind(c)
            import :: c_int
            integer(c_int), value :: time
        end function
        subroutine orvex_dt2str(jdate, jtime, out) bind(c)
            import :: c_int, c_char
            integer(c_int), value :: jdate, jtime
            character(kind=c_char), intent(out) :: out(25)
        end subroutine
        subroutine orvex_mmddyy(jdate, out) bind(c)
            import :: c_int, c_char
            integer(c_int), value :: jdate
            character(kind=c_char), intent(out) :: out(15)
        end subroutine
        subroutine orvex_hhmmss(jtime, out) bind(c)
            import :: c_int, c_char
            integer(c_int), value :: jtime
            character(kind=c_char), intent(out) :: out(11)
        end subroutine
    end interface

contains

    ! A text argument for C: without its trailing blanks, NUL-terminated.
    pure function cstr(s) result(c)
        character(len=*), intent(in) :: s
        character(kind=c_char, len=len_trim(s) + 1) :: c
        c = s(1:len_trim(s)) // c_null_char
    end function

    ! The first n characters of a C text (without its NUL) as a Fortran text.
    pure function ftext(buf, n) result(s)
        integer, intent(in) :: n
        character(kind=c_char), intent(in) :: buf(n + 1)
        character(len=n) :: s
        integer :: i
        do i = 1, n
            s(i:i) = buf(i)
        end do
    end function

    ! ---- Opening, describing, reading, writing, closing

    ! Opens or creates fname with status FSRDONLY3 .. FSCREA3; a created file
    ! takes its description from the record.
    logical function OPEN3(fname, fstatus, pgname)
        character(len=*), intent(in) :: fname, pgname
        integer, intent(in) :: fstatus
        OPEN3 = orvex_open3(cstr(fname), int(fstatus, c_int), cstr(pgname)) /= 0
    end function

    ! Fills the record with the description of the open file fname.
    logical function DESC3(fname)
        character(len=*), intent(in) :: fname
        DESC3 = orvex_desc3(cstr(fname)) /= 0
    end function

    ! Reads variable vname (or ALLVAR3), layer 1..NLAYS3D or ALLAYS3, at jdate:jtime.
    logical function READ3(fname, vname, layer, jdate, jtime, buffer)
        character(len=*), intent(in) :: fname, vname
        integer, intent(in) :: layer, jdate, jtime
        type(*), dimension(*) :: buffer
        READ3 = orvex_read3(cstr(fname), cstr(vname), int(layer, c_int), int(jdate, c_int), &
                            int(jtime, c_int), buffer) /= 0
    end function

    ! Writes variable vname (or ALLVAR3), all layers, at jdate:jtime, with its time flag.
    logical function WRITE3(fname, vname, jdate, jtime, buffer)
        character(len=*), intent(in) :: fname, vname
        integer, intent(in) :: jdate, jtime
        type(*), dimension(*), intent(in) :: buffer
        WRITE3 = orvex_write3(cstr(fname), cstr(vname), int(jdate, c_int), int(jtime, c_int), buffer) /= 0
    end function

    ! Closes fname and frees its slot.
    logical function CLOSE3(fname)
        character(len=*), intent(in) :: fname
        CLOSE3 = orvex_close3(cstr(fname)) /= 0
    end function

    ! Closes every open file and returns the layer to its uninitialised state.
    logical function SHUT3()
        SHUT3 = orvex_shut3() /= 0
    end function

    ! Initialises the layer on first use; the log unit.
    integer function INIT3()
        INIT3 = orvex_init3()
    end function

    ! Sets lname=value in the process environment (how a program binds a
    ! logical name to a path).
    logical function SETENVVAR(lname, value)
        character(len=*), intent(in) :: lname, value
        SETENVVAR = orvex_setenvvar(cstr(lname), cstr(value)) /= 0
    end function

    ! ---- Dates, times and time steps (YYYYDDD, HHMMSS, signed steps)

    ! Adds a signed step (HHMMSS, hours unlimited) to jdate:jtime and normalises.
    subroutine NEXTIME(jdate, jtime, tstep)
        integer, intent(inout) :: jdate, jtime
        integer, intent(in) :: tstep
        integer(c_int) :: d, t
        d = int(jdate, c_int)
        t = int(jtime, c_int)
        call orvex_nextime(d, t, int(tstep, c_int))
        jdate = d
        jtime = t
    end subroutine

    ! Seconds from adate:atime to zdate:ztime (positive when Z is later).
    integer function SECSDIFF(adate, atime, zdate, ztime)
        integer, intent(in) :: adate, atime, zdate, ztime
        SECSDIFF = orvex_secsdiff(int(adate, c_int), int(atime, c_int), int(zdate, c_int), int(ztime, c_int))
    end function

    ! Record (from 1) when jdate:jtime falls exactly on a step, else -1.
    integer function JSTEP3(jdate, jtime, sdate, stime, tstep)
        integer, intent(in) :: jdate, jtime, sdate, stime, tstep
        JSTEP3 = orvex_jstep3(int(jdate, c_int), int(jtime, c_int), int(sdate, c_int), int(stime, c_int), &
                              int(tstep, c_int))
    end function

    ! Record (from 1) of the step containing jdate:jtime, or -1; cdate:ctime get that step's start.
    integer function CURREC(jdate, jtime, sdate, stime, tstep, cdate, ctime)
        integer, intent(in) :: jdate, jtime, sdate, stime, tstep
        integer, intent(inout) :: cdate, ctime
        integer(c_int) :: d, t
        d = int(cdate, c_int)
        t = int(ctime, c_int)
        CURREC = orvex_currec(int(jdate, c_int), int(jtime, c_int), int(sdate, c_int), int(stime, c_int), &
                              int(tstep, c_int), d, t)
        cdate = d
        ctime = t
    end function

    ! Seconds as a signed HHMMSS duration, hours unlimited.
    integer function SEC2TIME(secs)
        integer, intent(in) :: secs
        SEC2TIME = orvex_sec2time(int(secs, c_int))
    end function

    ! Signed HHMMSS duration as seconds.
    integer function TIME2SEC(time)
        integer, intent(in) :: time
        TIME2SEC = orvex_time2sec(int(time, c_int))
    end function

    ! Time and date as text (24 characters).
    function DT2STR(jdate, jtime) result(s)
        integer, intent(in) :: jdate, jtime
        character(len=24) :: s
        character(kind=c_char) :: buf(25)
        call orvex_dt2str(int(jdate, c_int), int(jtime, c_int), buf)
        s = ftext(buf, 24)
    end function

    ! Date as text (14 characters).
    function MMDDYY(jdate) result(s)
        integer, intent(in) :: jdate
        character(len=14) :: s
        character(kind=c_char) :: buf(15)
        call orvex_mmddyy(int(jdate, c_int), buf)
        s = ftext(buf, 14)
    end function

    ! Time as text (10 characters).
    function HHMMSS(jtime) result(s)
        integer, intent(in) :: jtime
        character(len=10) :: s
        character(kind=c_char) :: buf(11)
        call orvex_hhmmss(int(jtime, c_int), buf)
        s = ftext(buf, 10)
    end function

end module orvex
