/* orvex from C: the gridded-file layer's description record, parameters and
 * operations for C99 callers (and C++ ones: this header and orvex.hpp may be
 * included together).
 *
 * Strings passed in are NUL-terminated; trailing blanks never change what is
 * looked up. Logical results are 1 for true and 0 for false; every failure is
 * reported in the log where it happens. Link with -lorvex -lnetcdf -lstdc++
 * (the layer is written in C++).
 */
#ifndef ORVEX_ORVEX_H
#define ORVEX_ORVEX_H

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Limits ----------------------------------------------------------- */
#define ORVEX_MXFILE3 200  /* file slots in the open-file table */
#define ORVEX_MXVARS3 2048 /* variables in one file */
#define ORVEX_MXLAYS3 100  /* layers; the surface list holds MXLAYS3 + 1 values */
#define ORVEX_MXDESC3 60   /* lines of a file or update description */
#define ORVEX_MXDLEN3 80   /* characters of one description line */
#define ORVEX_NAMLEN3 16   /* characters of a logical, variable, unit, grid or program name */
#define ORVEX_MXATTS3 20   /* extra numeric attributes per variable (GRDATT3 files) */

/* ---- File types (FTYPE3D) --------------------------------------------- */
#define ORVEX_KFEVNT3 (-3) /* cell-event file */
#define ORVEX_DGRAPH3 (-2) /* named only; no layout */
#define ORVEX_CUSTOM3 (-1) /* flat block of NCOLS3D values per layer */
#define ORVEX_DCTNRY3 0    /* dictionary of file descriptions */
#define ORVEX_GRDDED3 1    /* gridded */
#define ORVEX_BNDARY3 2    /* boundary ring of width NTHIK3D */
#define ORVEX_IDDATA3 3    /* identified sites */
#define ORVEX_PROFIL3 4    /* vertical profiles at sites */
#define ORVEX_GRNEST3 5    /* grid nest windows */
#define ORVEX_SMATRX3 6    /* sparse matrix */
#define ORVEX_GRDATT3 7    /* gridded with extra numeric attributes per variable */
#define ORVEX_PTRFLY3 8    /* gridded-like, with AIR_LAT, AIR_LON and AIR_ELV */

/* ---- Open statuses (argument of orvex_open3) --------------------------- */
#define ORVEX_FSRDONLY3 1 /* existing file, read-only */
#define ORVEX_FSRDWR3 2   /* existing file, read/write */
#define ORVEX_FSNEW3 3    /* new file; the path must not exist */
#define ORVEX_FSUNKN3 4   /* read/write if it exists, else create */
#define ORVEX_FSCREA3 5   /* create, removing an existing file first */

/* ---- Data types (VTYPE3D): the netCDF external type numbers ------------ */
#define ORVEX_QVINT 4  /* 32-bit integer */
#define ORVEX_QVREAL 5 /* 32-bit float */
#define ORVEX_QVDBLE 6 /* 64-bit float */

/* ---- Dataset-handle codes of slots that do not hold a netCDF dataset --- */
#define ORVEX_BUFFIL3 (-1) /* in-memory buffered file */
#define ORVEX_VIRFIL3 (-2) /* virtual file (refused) */
#define ORVEX_LSTFIL3 (-3) /* file-set list */
#define ORVEX_BINFIL3 (-4) /* native binary file */

/* ---- Missing values and special names ---------------------------------- */
#define ORVEX_IMISS3 (-9999)
#define ORVEX_AMISS3 (-9.0E36f)
#define ORVEX_DMISS3 (-9.0E36)
#define ORVEX_CMISS3 "????????????????"
#define ORVEX_ALLVAR3 "ALL" /* every variable (vname of orvex_read3 and orvex_write3) */
#define ORVEX_ALLAYS3 (-1)  /* every layer (layer of orvex_read3) */

/* Valid-record marker of dictionary files. */
#define ORVEX_OKFLAG3 5461

/* ---- The description record --------------------------------------------
 * The very storage of the C++ orvex::FDESC3 (and of the Fortran module's
 * NCOLS3D, VNAME3D, ...): orvex_open3 reads it when it creates a file,
 * orvex_desc3 fills it. Text fields are blank-padded to their width and carry
 * no NUL. Per-variable arrays count from 0: VNAME3D[v - 1] is variable v. */
struct orvex_fdesc3 {
    double P_ALP3D, P_BET3D, P_GAM3D; /* map-projection parameters */
    double XCENT3D, YCENT3D;          /* origin of the projected coordinates */
    double XORIG3D, YORIG3D;          /* lower-left corner of the grid */
    double XCELL3D, YCELL3D;          /* cell sizes */
    int FTYPE3D;                      /* file type */
    int CDATE3D, CTIME3D;             /* creation date and time */
    int WDATE3D, WTIME3D;             /* last header update */
    int SDATE3D, STIME3D;             /* first time step */
    int TSTEP3D;                      /* time step (HHMMSS); 0 time-independent */
    int MXREC3D;                      /* records now in the file */
    int NVARS3D, NCOLS3D, NROWS3D, NLAYS3D, NTHIK3D;
    int GDTYP3D;                          /* horizontal grid type */
    int VGTYP3D;                          /* vertical coordinate type */
    float VGTOP3D;                        /* model top */
    float VGLVS3D[ORVEX_MXLAYS3 + 1];     /* layer surfaces */
    int VTYPE3D[ORVEX_MXVARS3];           /* data type of each variable */
    char GDNAM3D[ORVEX_NAMLEN3];          /* grid name */
    char UPNAM3D[ORVEX_NAMLEN3];          /* program that last wrote the header */
    char EXECN3D[ORVEX_MXDLEN3];          /* execution identifier of the creating run */
    char FDESC3D[ORVEX_MXDESC3][ORVEX_MXDLEN3]; /* file description */
    char UPDSC3D[ORVEX_MXDESC3][ORVEX_MXDLEN3]; /* update (history) description */
    char VNAME3D[ORVEX_MXVARS3][ORVEX_NAMLEN3]; /* variable names */
    char UNITS3D[ORVEX_MXVARS3][ORVEX_NAMLEN3]; /* variable units */
    char VDESC3D[ORVEX_MXVARS3][ORVEX_MXDLEN3]; /* variable descriptions */
};

/* The layer's own description record. */
struct orvex_fdesc3 *orvex_fdesc3(void);

/* ---- Opening, describing, reading, writing, closing ---------------------
 * Files are named by logical names of at most 16 characters; the environment
 * variable of that name holds the path. Buffers are one block of 4-byte
 * words: column fastest, then row, then layer, then variable (a double takes
 * two words). */

/* Opens or creates fname with status ORVEX_FSRDONLY3 .. ORVEX_FSCREA3; a
 * created file takes its description from the record. */
int orvex_open3(const char *fname, int fstatus, const char *pgname);
/* Fills the record with the description of the open file fname. */
int orvex_desc3(const char *fname);
/* Reads variable vname (or ORVEX_ALLVAR3), layer 1..NLAYS or ORVEX_ALLAYS3, at jdate:jtime. */
int orvex_read3(const char *fname, const char *vname, int layer, int jdate, int jtime, void *buffer);
/* Writes variable vname (or ORVEX_ALLVAR3), all layers, at jdate:jtime, with its time flag. */
int orvex_write3(const char *fname, const char *vname, int jdate, int jtime, const void *buffer);
/* Closes fname and frees its slot. */
int orvex_close3(const char *fname);
/* Closes every open file and returns the layer to its uninitialised state. */
int orvex_shut3(void);
/* Initialises the layer on first use; the log unit. */
int orvex_init3(void);
/* Sets lname=value in the process environment (how a program binds a logical
 * name to a path); 0 when the environment refused it or the name is empty or
 * holds '='. */
int orvex_setenvvar(const char *lname, const char *value);

/* ---- Dates, times and time steps (YYYYDDD, HHMMSS, signed steps) ------- */

/* Adds a signed step (HHMMSS, hours unlimited) to *jdate:*jtime and normalises. */
void orvex_nextime(int *jdate, int *jtime, int tstep);
/* Seconds from adate:atime to zdate:ztime (positive when Z is later). */
int orvex_secsdiff(int adate, int atime, int zdate, int ztime);
/* 1-based record when jdate:jtime falls exactly on a step, else -1. */
int orvex_jstep3(int jdate, int jtime, int sdate, int stime, int tstep);
/* 1-based record of the step containing jdate:jtime, or -1; *cdate:*ctime get that step's start. */
int orvex_currec(int jdate, int jtime, int sdate, int stime, int tstep, int *cdate, int *ctime);
/* Seconds as a signed HHMMSS duration, hours unlimited. */
int orvex_sec2time(int secs);
/* Signed HHMMSS duration as seconds. */
int orvex_time2sec(int time);
/* Time and date as text: 24 characters and a NUL. */
void orvex_dt2str(int jdate, int jtime, char out[25]);
/* Date as text: 14 characters and a NUL. */
void orvex_mmddyy(int jdate, char out[15]);
/* Time as text: 10 characters and a NUL. */
void orvex_hhmmss(int jtime, char out[11]);

/* ---- Messages and environment (NUL-terminated forms) ------------------- */
void qverrc(const char *caller, int jdate, int jtime, const char *msgtxt, int fatal);
void qvmesgc(const char *msgtxt);
void qvwarnc(const char *caller, int jdate, int jtime, const char *msgtxt);
int envync(const char *name, const char *desc, int deflt, int *status);
int envintc(const char *name, const char *desc, int deflt, int *status);
float envrealc(const char *name, const char *desc, int *status, float deflt);
double envdblec(const char *name, const char *desc, int *status, double deflt);
void envstrc(const char *name, const char *desc, const char *deflt, char *value, int *status, int width);

#ifdef __cplusplus
}
#endif

#endif /* ORVEX_ORVEX_H */
