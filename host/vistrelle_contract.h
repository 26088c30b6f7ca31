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
   The switches count as on exactly when they equal SWITCH_ON. */
enum VistrelleSetting {
    SETTING_LEAF_POINTS = 0,   /* leafPoints: points per leaf */
    SETTING_TARGET_INDEX = 1,  /* targetIndex: 1-based position of the target in the item list */
    SETTING_PIVOT_TYPE = 2,    /* pivotType: one of the pivot rules below */
    SETTING_HEADING_ALIGN = 3, /* headingAlign ("H Align"): on turns each leaf about its Y axis */
    SETTING_PITCH_ALIGN = 4,   /* pitchAlign ("P Align"): on tilts each leaf about its X axis */
    SETTING_COUNT = 5
};

/* The values of the two switches; any value but SWITCH_ON is off. */
#define SWITCH_OFF 0
#define SWITCH_ON 1

/* The target index of no target. */
#define TARGET_NONE 0

/* The pivot rules, one line each, in pivotType order from 0: the rule's constant and its name in
   the panel's popup. A new rule is a line here and its arithmetic in leaf/. */
#define VISTRELLE_PIVOT_RULES(RULE)                                     \
    RULE(PIVOT_FIRST_POINT, "first point")                              \
    RULE(PIVOT_FIRST_TWO_POINTS, "average of first two points")         \
    RULE(PIVOT_FIRST_AND_LAST_POINT, "average of first and last point") \
    RULE(PIVOT_LAST_POINT, "last point")

#define VISTRELLE_PIVOT_CONSTANT(rule, name) rule,
#define VISTRELLE_PIVOT_ONE(rule, name) +1
/* Each rule's pivotType. */
enum VistrellePivotRule { VISTRELLE_PIVOT_RULES(VISTRELLE_PIVOT_CONSTANT) };
/* How many rules there are. */
enum { PIVOT_RULE_COUNT = 0 VISTRELLE_PIVOT_RULES(VISTRELLE_PIVOT_ONE) };
#undef VISTRELLE_PIVOT_CONSTANT
#undef VISTRELLE_PIVOT_ONE

/* The settings a new instance starts with. */
enum VistrelleDefault {
    DEFAULT_LEAF_POINTS = 4,
    DEFAULT_TARGET_INDEX = TARGET_NONE,
    DEFAULT_PIVOT_TYPE = PIVOT_FIRST_POINT,
    DEFAULT_HEADING_ALIGN = SWITCH_ON,
    DEFAULT_PITCH_ALIGN = SWITCH_OFF
};

/* The flag word the displacement's flags entry answers, the same for every instance. */
#define VISTRELLE_HANDLER_FLAGS 1u

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
