/* The stand-in host as a library with a C interface: a session loads vistrel.p once, holds target
   items and objects (points with a displacement on them), and turns every object's points for a
   frame into the caller's float buffers. The Python package and any C program use it alike.

       VistrelleSession *s = NULL;
       size_t camera = 0, bush = 0;
       const double key[4] = {0.0, 0.0, 1.0, 5.0};          // time, x, y, z
       if (vistrelle_open("vistrel.p", 24.0, &s) != VISTRELLE_OK) puts(vistrelle_last_error());
       vistrelle_add_target(s, "Camera", key, 1, &camera);
       const int32_t settings[5] = {4, (int32_t)camera, 0, 1, 1};
       vistrelle_add_object(s, "Bush", points, count, settings, &bush);
       float *outputs[1] = {turned};  size_t counts[1] = {count};
       vistrelle_turn(s, 12, NULL, outputs, counts, 1);      // turned: count * 3 floats
       vistrelle_close(s);  vistrelle_release(s);

   Every entry answers one of the VISTRELLE_ status codes below; on any other than VISTRELLE_OK,
   vistrelle_last_error() gives one line saying what was refused, and nothing has changed. No entry
   aborts or lets a C++ exception out. Points are float triples (x, y, z), one after another. */
#ifndef VISTREL_CAPI_VISTRELLE_SESSION_H
#define VISTREL_CAPI_VISTRELLE_SESSION_H

#include <stddef.h>
#include <stdint.h>

#ifndef __cplusplus
#include <assert.h> /* static_assert in C11 */
#endif

#if defined(_WIN32) && defined(VISTRELLE_SESSION_BUILD)
#define VISTRELLE_API __declspec(dllexport)
#elif defined(_WIN32)
#define VISTRELLE_API __declspec(dllimport)
#else
#define VISTRELLE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What every entry answers. */
enum VistrelleStatus {
    VISTRELLE_OK = 0,
    VISTRELLE_REFUSED = 1,      /* the host, the module or a file refused; the line says why */
    VISTRELLE_BAD_ARGUMENT = 2, /* a null, a count, an index or a value the entry does not take */
    VISTRELLE_SHORT_BUFFER = 3, /* a text did not fit; its whole length was still written */
    VISTRELLE_CLOSED = 4,       /* the session was closed */
    VISTRELLE_NO_MEMORY = 5,
    VISTRELLE_UNSUPPORTED = 6, /* not in this build (no build answers it now; kept for callers) */
    VISTRELLE_FAILED = 7       /* anything else, described by the line */
};

/* The interface version, raised when an entry or a record changes. */
#define VISTRELLE_INTERFACE_VERSION 1

/* The five settings, the panel's controls and the pivot rules are host/vistrelle_contract.h's;
   these copies let a caller that reads only this header count them. */
#define VISTRELLE_SETTING_COUNT 5
#define VISTRELLE_PIVOT_RULE_COUNT 4
/* vistrelle_setting_control's answer for a setting out of range. */
#define VISTRELLE_NO_CONTROL (-1)

/* A control's kind, as the panel describes it. */
enum VistrelleControlKind {
    VISTRELLE_CONTROL_INTEGER = 0, /* a whole 32-bit number */
    VISTRELLE_CONTROL_SWITCH = 1,  /* 0 or 1 */
    VISTRELLE_CONTROL_POPUP = 2,   /* the index of one of its entries */
    VISTRELLE_CONTROL_NUMBER = 3,  /* any finite number */
    VISTRELLE_CONTROL_OTHER = 4
};

/* One control of an object's options panel. */
typedef struct VistrelleControlInfo {
    uint32_t id;         /* the control's id, a CTL_ value of host/vistrelle_contract.h */
    int32_t kind;        /* a VistrelleControlKind */
    int32_t hasValue;    /* 1 when `value` holds the control's value, 0 when the panel gives none */
    int32_t derived;     /* 1 for a display the module works out from another control */
    double value;        /* the value, when hasValue */
    uint32_t entryCount; /* a popup's entries; 0 for other controls */
    uint32_t reserved;   /* 0 */
} VistrelleControlInfo;

/* A session: one loaded module, its scene and its objects. Opaque. */
typedef struct VistrelleSession VistrelleSession;

/* --- Library */

/* When: any time.
   Thread: any.
   Owner: the library owns the text; it stays valid until this thread's next call of an entry.
   Null: never null.
   Answers: the line of this thread's latest failed entry; "" when none failed yet. */
VISTRELLE_API const char *vistrelle_last_error(void);

/* When: any time.
   Thread: any.
   Owner: nothing is handed over.
   Null: none taken.
   Answers: VISTRELLE_INTERFACE_VERSION of the library that answers. */
VISTRELLE_API int32_t vistrelle_interface_version(void);

/* When: any time.
   Thread: any.
   Owner: the key is read during the call; the texts are the library's, valid while it is loaded.
   Null: a null or unknown key answers null.
   Answers: the version text of `key`: "file version", "product version", "product name", "original
   file name" (the module's own record, as host/vistrelle_contract.h writes it) or "session library"
   (this library's version). */
VISTRELLE_API const char *vistrelle_version_text(const char *key);

/* The contract's terms, for callers that cannot read host/vistrelle_contract.h. */

/* When: any time.
   Thread: any.
   Owner: the texts are the library's, valid while it is loaded.
   Null: a setting out of range (SETTING_COUNT of the contract and above, or below zero) answers
   null. Answers: the setting's name: "leaf points", "target", "pivot rule", "heading alignment",
   "pitch alignment". */
VISTRELLE_API const char *vistrelle_setting_name(int32_t setting);

/* When: any time.
   Thread: any.
   Owner: nothing is handed over.
   Null: none taken.
   Answers: the CTL_ id of the panel control that edits the setting; VISTRELLE_NO_CONTROL for a
   setting out of range. */
VISTRELLE_API int64_t vistrelle_setting_control(int32_t setting);

/* When: any time.
   Thread: any.
   Owner: nothing is handed over.
   Null: none taken.
   Answers: the value the setting holds in a new displacement; INT64_MIN for a setting out of range.
 */
VISTRELLE_API int64_t vistrelle_setting_default(int32_t setting);

/* When: any time.
   Thread: any.
   Owner: the texts are the library's, valid while it is loaded.
   Null: a rule out of range answers null.
   Answers: the pivot rule's name in the panel (VISTRELLE_PIVOT_RULES of the contract). */
VISTRELLE_API const char *vistrelle_pivot_name(int32_t rule);

/* --- Sessions */

/* When: any time; one session at a time holds the module in a process.
   Thread: any.
   Owner: the path (UTF-8, on Windows too) is read during the call; *session is the caller's until
   vistrelle_release.
   Null: a null path or session answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and *session, a session over an empty scene of `framesPerSecond` frames a
   second; VISTRELLE_REFUSED (a path that is not UTF-8, not a module, another session open, the
   module loaded in this process already by another copy of this library, fps not a positive
   number) with *session null. */
VISTRELLE_API int32_t vistrelle_open(const char *modulePath, double framesPerSecond,
                                     VistrelleSession **session);

/* When: any time; one session at a time holds the module in a process.
   Thread: any.
   Owner: the paths (UTF-8, on Windows too) are read during the call; *session is the caller's
   until vistrelle_release.
   Null: a null path or session answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and *session, whose items, frame rate and displacements (each an object)
   are the scene file's (JSON, as `vistrelle run` reads it); VISTRELLE_REFUSED in one line naming
   the file or the module (as vistrelle_open refuses). */
VISTRELLE_API int32_t vistrelle_open_scene(const char *modulePath, const char *scenePath,
                                           VistrelleSession **session);

/* When: after open; it waits for an entry under way on another thread. Later entries on the session
   answer VISTRELLE_CLOSED, and another session may be opened. Thread: any. Owner: the handle stays
   the caller's until vistrelle_release. Null: a null session answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK once the module is unloaded, also for a session closed before. */
VISTRELLE_API int32_t vistrelle_close(VistrelleSession *session);

/* When: last, once no other thread can use the handle; closes the session first when it is open.
   Thread: any.
   Owner: the handle is freed.
   Null: a null session is nothing to free.
   Answers: nothing. */
VISTRELLE_API void vistrelle_release(VistrelleSession *session);

/* --- Items (numbered from 1 in list order, as the target setting counts them) */

/* When: while open, after vistrelle_open or vistrelle_open_scene.
   Thread: any; entries on one session take turns.
   Owner: *fps is the caller's, written during the call.
   Null: a null fps answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and the scene's frames a second; VISTRELLE_CLOSED. */
VISTRELLE_API int32_t vistrelle_frames_per_second(VistrelleSession *session, double *fps);

/* When: while open, after vistrelle_open or vistrelle_open_scene.
   Thread: any; entries on one session take turns.
   Owner: *count is the caller's, written during the call.
   Null: a null count answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and the number of items; VISTRELLE_CLOSED. */
VISTRELLE_API int32_t vistrelle_item_count(VistrelleSession *session, size_t *count);

/* When: while open, after vistrelle_open or vistrelle_open_scene.
   Thread: any; entries on one session take turns.
   Owner: text[0..size) and *length are the caller's, written during the call.
   Null: text may be null with a size of zero, to ask the length; a null length is not written.
   Answers: VISTRELLE_OK when the text and its NUL fit in `size` bytes of `text`;
   VISTRELLE_SHORT_BUFFER when not (as much as fits is written, NUL-ended); *length the text's bytes
   without the NUL either way; VISTRELLE_BAD_ARGUMENT for a number that names no item. */
VISTRELLE_API int32_t vistrelle_item_name(VistrelleSession *session, size_t itemNumber, char *text,
                                          size_t size, size_t *length);

/* When: while open, after vistrelle_open or vistrelle_open_scene. Appends an item without a mesh,
   moved by `keyCount` keys of four doubles each (time in seconds, x, y, z): linear between keys,
   held outside them; one key is a fixed position. Thread: any; entries on one session take turns.
   Owner: name and keys are read during the call; *itemNumber is the caller's.
   Null: a null name, keys or itemNumber answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and the new item's number; VISTRELLE_REFUSED for no keys or a value that is
   not finite, VISTRELLE_BAD_ARGUMENT for more keys than memory holds, adding nothing. */
VISTRELLE_API int32_t vistrelle_add_target(VistrelleSession *session, const char *name,
                                           const double *keys, size_t keyCount, size_t *itemNumber);

/* When: while open, after vistrelle_open or vistrelle_open_scene. Gives item `itemNumber` new keys,
   as vistrelle_add_target takes them. Thread: any; entries on one session take turns. Owner: keys
   are read during the call. Null: null keys answer VISTRELLE_BAD_ARGUMENT. Answers: VISTRELLE_OK;
   VISTRELLE_REFUSED for a number that names no item, no keys or a key that is not finite, changing
   nothing. */
VISTRELLE_API int32_t vistrelle_move_target(VistrelleSession *session, size_t itemNumber,
                                            const double *keys, size_t keyCount);

/* --- Objects (numbered from 0 in the order they were added: the order of vistrelle_turn) */

/* When: while open, after vistrelle_open or vistrelle_open_scene. Appends an item with `pointCount`
   points (three floats each) and a displacement on it. Thread: any; entries on one session take
   turns. Owner: name, points and settings are read during the call (the points are copied); *object
   is the caller's. Null: null settings mean the module's defaults; a null name or object, or null
   points with a count above zero, answer VISTRELLE_BAD_ARGUMENT. Answers: VISTRELLE_OK and the
   object's number; VISTRELLE_BAD_ARGUMENT naming the setting for a setting the options panel does
   not take (see vistrelle_set_settings); VISTRELLE_REFUSED for a point that is not finite or
   settings the module refuses, adding nothing. */
VISTRELLE_API int32_t vistrelle_add_object(VistrelleSession *session, const char *name,
                                           const float *points, size_t pointCount,
                                           const int32_t *settings, size_t *object);

/* When: while open, after vistrelle_open or vistrelle_open_scene.
   Thread: any; entries on one session take turns.
   Owner: *count is the caller's, written during the call.
   Null: a null count answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and the number of objects; VISTRELLE_CLOSED. */
VISTRELLE_API int32_t vistrelle_object_count(VistrelleSession *session, size_t *count);

/* When: while open, after vistrelle_open or vistrelle_open_scene.
   Thread: any; entries on one session take turns.
   Owner: *count is the caller's, written during the call.
   Null: a null count answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and the object's point count; VISTRELLE_BAD_ARGUMENT for an object out of
   range. */
VISTRELLE_API int32_t vistrelle_point_count(VistrelleSession *session, size_t object,
                                            size_t *count);

/* When: while open, after vistrelle_open or vistrelle_open_scene.
   Thread: any; entries on one session take turns.
   Owner: *itemNumber is the caller's, written during the call.
   Null: a null itemNumber answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and the object's item number; VISTRELLE_BAD_ARGUMENT for an object out of
   range. */
VISTRELLE_API int32_t vistrelle_object_item(VistrelleSession *session, size_t object,
                                            size_t *itemNumber);

/* When: while open, after vistrelle_open or vistrelle_open_scene. Copies an object's base points.
   Thread: any; entries on one session take turns.
   Owner: points[0 .. 3 * pointCount) is the caller's, written during the call.
   Null: null points with a count above zero answer VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK; VISTRELLE_BAD_ARGUMENT when pointCount is not the object's point count or
   the object is out of range. */
VISTRELLE_API int32_t vistrelle_get_points(VistrelleSession *session, size_t object, float *points,
                                           size_t pointCount);

/* When: while open, after vistrelle_open or vistrelle_open_scene. New base points for an object; a
   new count makes a new displacement with the same settings. Thread: any; entries on one session
   take turns. Owner: points are read (copied) during the call. Null: null points with a count above
   zero answer VISTRELLE_BAD_ARGUMENT. Answers: VISTRELLE_OK; VISTRELLE_REFUSED for a point that is
   not finite, keeping the old points. */
VISTRELLE_API int32_t vistrelle_set_points(VistrelleSession *session, size_t object,
                                           const float *points, size_t pointCount);

/* When: while open, after vistrelle_open or vistrelle_open_scene. The five integers the module
   saves for an object, in the contract's setting order. Thread: any; entries on one session take
   turns. Owner: settings[0 .. VISTRELLE_SETTING_COUNT) is the caller's, written during the call.
   Null: null settings answer VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK; VISTRELLE_REFUSED when the module reports a fault. */
VISTRELLE_API int32_t vistrelle_get_settings(VistrelleSession *session, size_t object,
                                             int32_t *settings);

/* When: while open, after vistrelle_open or vistrelle_open_scene. Loads five integers into an
   object's displacement, as a scene's data. Thread: any; entries on one session take turns. Owner:
   settings[0 .. VISTRELLE_SETTING_COUNT) is read during the call. Null: null settings answer
   VISTRELLE_BAD_ARGUMENT. Answers: VISTRELLE_OK; VISTRELLE_BAD_ARGUMENT in one line naming the
   first setting the options panel does not take: the target is none or an item number, the
   pivot rule one of VISTRELLE_PIVOT_RULE_COUNT, each alignment off or on (leaf points take any
   value); VISTRELLE_REFUSED when the module refuses them; changing nothing either way. */
VISTRELLE_API int32_t vistrelle_set_settings(VistrelleSession *session, size_t object,
                                             const int32_t *settings);

/* --- The options panel of an object (opened on first use) */

/* When: while open, after vistrelle_open or vistrelle_open_scene.
   Thread: any; entries on one session take turns.
   Owner: *count is the caller's, written during the call.
   Null: a null count answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and the number of the panel's controls; VISTRELLE_REFUSED when the panel
   does not open. */
VISTRELLE_API int32_t vistrelle_control_count(VistrelleSession *session, size_t object,
                                              size_t *count);

/* When: while open, after vistrelle_open or vistrelle_open_scene.
   Thread: any; entries on one session take turns.
   Owner: *control is the caller's, written during the call.
   Null: a null control answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and the control at `place` (the first is at place zero);
   VISTRELLE_BAD_ARGUMENT for a place out of range. */
VISTRELLE_API int32_t vistrelle_control_at(VistrelleSession *session, size_t object, size_t place,
                                           VistrelleControlInfo *control);

/* When: while open, after vistrelle_open or vistrelle_open_scene.
   Thread: any; entries on one session take turns.
   Owner: label is read during the call; *place is the caller's.
   Null: a null label or place answers VISTRELLE_BAD_ARGUMENT.
   Answers: VISTRELLE_OK and the place of the control whose label is `label` (exact, then in any
   case), or else whose value the module names so ("Leaves" for "Clones"); VISTRELLE_REFUSED naming
   the labels when none is. */
VISTRELLE_API int32_t vistrelle_find_control(VistrelleSession *session, size_t object,
                                             const char *label, size_t *place);

/* When: while open, after vistrelle_open or vistrelle_open_scene.
   Thread: any; entries on one session take turns.
   Owner: text[0..size) and *length are the caller's, written during the call.
   Null: text may be null with a size of zero, to ask the length; a null length is not written.
   Answers: VISTRELLE_OK when the text and its NUL fit in `size` bytes of `text`;
   VISTRELLE_SHORT_BUFFER when not (as much as fits is written, NUL-ended); *length the text's bytes
   without the NUL either way; VISTRELLE_BAD_ARGUMENT for a place out of range. */
VISTRELLE_API int32_t vistrelle_control_label(VistrelleSession *session, size_t object,
                                              size_t place, char *text, size_t size,
                                              size_t *length);

/* When: while open, after vistrelle_open or vistrelle_open_scene. Entry `entry` of the popup at
   `place`. Thread: any; entries on one session take turns. Owner: text[0..size) and *length are the
   caller's, written during the call. Null: text may be null with a size of zero, to ask the length;
   a null length is not written. Answers: VISTRELLE_OK when the text and its NUL fit in `size` bytes
   of `text`; VISTRELLE_SHORT_BUFFER when not (as much as fits is written, NUL-ended); *length the
   text's bytes without the NUL either way; VISTRELLE_BAD_ARGUMENT for a place or entry out of
   range. */
VISTRELLE_API int32_t vistrelle_control_entry(VistrelleSession *session, size_t object,
                                              size_t place, uint32_t entry, char *text, size_t size,
                                              size_t *length);

/* When: while open, after vistrelle_open or vistrelle_open_scene. Edits the control at `place` as a
   user does: the panel's set, then its change notification. `number` is a popup's entry index, a
   switch's on or off, or a number; `text`, when given, is taken instead: a popup's entry name (any
   case) or on, off, true, false. Thread: any; entries on one session take turns. Owner: text is
   read during the call. Null: a null text means `number` is the value. Answers: VISTRELLE_OK;
   VISTRELLE_REFUSED in one line when the control does not take the value (or is shown only),
   changing nothing; VISTRELLE_BAD_ARGUMENT for a place out of range. */
VISTRELLE_API int32_t vistrelle_set_control(VistrelleSession *session, size_t object, size_t place,
                                            double number, const char *text);

/* --- Frames */

/* When: while open, after vistrelle_open or vistrelle_open_scene. Turns every object for `frame`:
   newTime(frame, time) and one evaluate a point, in object order; object k's points, rounded to
   float, go to outputs[k][0 .. 3 * counts[k]). The session is held for the whole turn: a change
   from another thread comes before or after it, never during it. Thread: any; other entries on the
   session wait until the turn is done. Owner: outputs and counts are the caller's, read and written
   during the call. Null: a null time means frame / fps; null outputs or counts with objects answer
   VISTRELLE_BAD_ARGUMENT. Answers: VISTRELLE_OK; VISTRELLE_BAD_ARGUMENT, reading nothing of outputs
   and counts, when objectCount is not the session's object count, and, writing nothing, when a
   count is not its object's points;
   VISTRELLE_REFUSED when the module fails or the time is not finite. */
VISTRELLE_API int32_t vistrelle_turn(VistrelleSession *session, int32_t frame, const double *time,
                                     float *const *outputs, const size_t *counts,
                                     size_t objectCount);

#ifdef __cplusplus
}
#endif

static_assert(offsetof(VistrelleControlInfo, id) == 0, "VistrelleControlInfo.id at byte 0");
static_assert(offsetof(VistrelleControlInfo, kind) == 4, "VistrelleControlInfo.kind at byte 4");
static_assert(offsetof(VistrelleControlInfo, hasValue) == 8,
              "VistrelleControlInfo.hasValue at byte 8");
static_assert(offsetof(VistrelleControlInfo, derived) == 12,
              "VistrelleControlInfo.derived at byte 12");
static_assert(offsetof(VistrelleControlInfo, value) == 16, "VistrelleControlInfo.value at byte 16");
static_assert(offsetof(VistrelleControlInfo, entryCount) == 24,
              "VistrelleControlInfo.entryCount at byte 24");
static_assert(offsetof(VistrelleControlInfo, reserved) == 28,
              "VistrelleControlInfo.reserved at byte 28");
static_assert(sizeof(VistrelleControlInfo) == 32, "VistrelleControlInfo is 32 bytes");

#endif
