/* The checks of the C test programs: a failed condition is reported with its
 * line and counted; the program's status comes from check_failures. */
#ifndef ORVEX_TESTS_CHECK_H
#define ORVEX_TESTS_CHECK_H

#include <stdio.h>

static int check_failures = 0;

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond);       \
            ++check_failures;                                                        \
        }                                                                            \
    } while (0)

#endif
