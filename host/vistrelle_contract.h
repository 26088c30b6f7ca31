/* The Vistrelle displacement's own terms, written once for the module and every tool that drives
   it: the options panel's control ids, the settings in the order a scene stores them, the pivot
   rules and the texts of the library's version record. */
#ifndef VISTREL_HOST_VISTRELLE_CONTRACT_H
#define VISTREL_HOST_VISTRELLE_CONTRACT_H

#ifdef __cplusplus
extern "C" {
#endif

/* The name both servers of the library are registered under. */
#define VISTRELLE_SERVER_NAME "Vistrelle"

/* The options panel's controls, one per setting or display. */
enum VistrelleControl {
    CTL_LEAF_POINTS = 0x8002, /* "Object points": leafPoints */
    CTL_LEAVES = 0x8003,      /* "Clones": the leaf count, shown only */
    CTL_TARGET = 0x8004,      /* "Target object": targetIndex, a popup of the scene's items */
    CTL_PIVOT_TYPE = 0x8005,  /* "Pivot Type": pivotType, a popup of the pivot rules */
    CTL_H_ALIGN = 0x8006,     /* "H Align": headingAlign */
    CTL_P_ALIGN = 0x8007      /* "P Align": pitchAlign */
};

/* The five settings of an instance: their positions among the five integers a scene stores for it.
   The switches count as on exactly when they equal 1. */
enum VistrelleSetting {
    SETTING_LEAF_POINTS = 0, /* leafPoints: points per leaf, 4 when made */
    SETTING_TARGET_INDEX =
        1, /* targetIndex: 1-based position of the target in the item list; 0 is none */
    SETTING_PIVOT_TYPE = 2, /* pivotType: one of the pivot rules below */
    SETTING_HEADING_ALIGN =
        3, /* headingAlign ("H Align"): 1 turns each leaf about its Y axis, on when made */
    SETTING_PITCH_ALIGN =
        4, /* pitchAlign ("P Align"): 1 tilts each leaf about its X axis, off when made */
    SETTING_COUNT = 5
};

/* The pivot rules; each value is the pivotType that chooses it, each text its name in the panel. */
enum VistrellePivotRule {
    PIVOT_FIRST_POINT = 0,
    PIVOT_FIRST_TWO_POINTS = 1,
    PIVOT_FIRST_AND_LAST_POINT = 2,
    PIVOT_LAST_POINT = 3
};
#define PIVOT_RULE_COUNT 4
#define PIVOT_NAME_FIRST_POINT "first point"
#define PIVOT_NAME_FIRST_TWO_POINTS "average of first two points"
#define PIVOT_NAME_FIRST_AND_LAST_POINT "average of first and last point"
#define PIVOT_NAME_LAST_POINT "last point"

/* The texts of the library's version record, by key. */
#define VERSION_FILE_VERSION "1.0.1.71"
#define VERSION_PRODUCT_VERSION "1.0.0.1"
#define VERSION_FILE_DESCRIPTION "Vistrelle"
#define VERSION_PRODUCT_NAME "Vistrelle"
#define VERSION_INTERNAL_NAME "vistrel"
#define VERSION_ORIGINAL_FILENAME "vistrel.p"

#ifdef __cplusplus
}
#endif

#endif
