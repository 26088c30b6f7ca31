/* two_libraries: two copies of the C library in one process, as two copies of the Python package
   load them. Over one module file the second session is refused in one line (the module's image,
   and so its state, would be shared); over two copies of the module file the two sessions work
   apart, each turning as it does alone.
       two_libraries LIBRARY MODULE FOLDER
   Copies LIBRARY to FOLDER/a/ and FOLDER/b/ and MODULE to FOLDER/copy.p first. Prints one line and
   exits 0 when all holds; one line on stderr and exit 1 otherwise. */
#include "capi/vistrelle_session.h"

#include <stdio.h>
#include <string.h>

#if defined(_WIN32)
#include <direct.h>
#include <windows.h>
#define makeFolder(path) _mkdir(path)
static void *openLibrary(const char *path) { return (void *)LoadLibraryA(path); }
static void *entry(void *library, const char *name) {
    return (void *)(uintptr_t)GetProcAddress((HMODULE)library, name);
}
#else
#include <dlfcn.h>
#include <sys/stat.h>
#define makeFolder(path) mkdir(path, 0700)
static void *openLibrary(const char *path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void *entry(void *library, const char *name) { return dlsym(library, name); }
#endif

typedef struct Library {
    const char *(*lastError)(void);
    int32_t (*open)(const char *, double, VistrelleSession **);
    int32_t (*addTarget)(VistrelleSession *, const char *, const double *, size_t, size_t *);
    int32_t (*addObject)(VistrelleSession *, const char *, const float *, size_t, const int32_t *,
                         size_t *);
    int32_t (*turn)(VistrelleSession *, int32_t, const double *, float *const *, const size_t *,
                    size_t);
    void (*release)(VistrelleSession *);
} Library;

static const float card[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};

static int refuse(const char *what, const char *detail) {
    fprintf(stderr, "two_libraries: %s: %s\n", what, detail);
    return 1;
}

static int copyFile(const char *from, const char *to) {
    FILE *in = fopen(from, "rb"), *out = fopen(to, "wb");
    char block[65536];
    size_t got = 0;
    int ok = in != NULL && out != NULL;
    while (ok && (got = fread(block, 1, sizeof block, in)) > 0)
        ok = fwrite(block, 1, got, out) == got;
    ok = ok && !ferror(in);
    if (in != NULL) fclose(in);
    if (out != NULL && fclose(out) != 0) ok = 0;
    return ok;
}

static int load(Library *library, const char *path) {
    void *handle = openLibrary(path);
    if (handle == NULL) return 0;
    /* Object and function pointers share a size on every system this runs on (POSIX asks it). */
    void *found[6] = {entry(handle, "vistrelle_last_error"), entry(handle, "vistrelle_open"),
                      entry(handle, "vistrelle_add_target"), entry(handle, "vistrelle_add_object"),
                      entry(handle, "vistrelle_turn"),       entry(handle, "vistrelle_release")};
    for (int k = 0; k < 6; ++k)
        if (found[k] == NULL) return 0;
    memcpy(&library->lastError, &found[0], sizeof found[0]);
    memcpy(&library->open, &found[1], sizeof found[1]);
    memcpy(&library->addTarget, &found[2], sizeof found[2]);
    memcpy(&library->addObject, &found[3], sizeof found[3]);
    memcpy(&library->turn, &found[4], sizeof found[4]);
    memcpy(&library->release, &found[5], sizeof found[5]);
    return 1;
}

/* A session over `module` with one target at `x` and the card aimed at it. */
static VistrelleSession *cardSession(const Library *library, const char *module, double x) {
    VistrelleSession *session = NULL;
    const double key[4] = {0.0, x, 1.0, 5.0};
    size_t target = 0, object = 0;
    if (library->open(module, 24.0, &session) != VISTRELLE_OK) return NULL;
    const int32_t settings[5] = {4, (int32_t)1, 0, 1, 1};
    if (library->addTarget(session, "T", key, 1, &target) != VISTRELLE_OK ||
        library->addObject(session, "Card", card, 4, settings, &object) != VISTRELLE_OK) {
        library->release(session);
        return NULL;
    }
    return session;
}

static int turned(const Library *library, VistrelleSession *session, int32_t frame, float *out) {
    float *outputs[1] = {out};
    const size_t counts[1] = {4};
    return library->turn(session, frame, NULL, outputs, counts, 1) == VISTRELLE_OK;
}

int main(int argc, char **argv) {
    if (argc != 4) return refuse("usage", "two_libraries LIBRARY MODULE FOLDER");
    const char *name = strrchr(argv[1], '/');
#if defined(_WIN32)
    if (strrchr(argv[1], '\\') > name) name = strrchr(argv[1], '\\');
#endif
    name = name != NULL ? name + 1 : argv[1];
    char a[4096], b[4096], copy[4096];
    snprintf(a, sizeof a, "%s/a", argv[3]);
    snprintf(b, sizeof b, "%s/b", argv[3]);
    makeFolder(argv[3]);
    makeFolder(a);
    makeFolder(b);
    snprintf(a, sizeof a, "%s/a/%s", argv[3], name);
    snprintf(b, sizeof b, "%s/b/%s", argv[3], name);
    snprintf(copy, sizeof copy, "%s/copy.p", argv[3]);
    if (!copyFile(argv[1], a) || !copyFile(argv[1], b) || !copyFile(argv[2], copy))
        return refuse(argv[3], "the copies cannot be written");
    Library first, second;
    if (!load(&first, a) || !load(&second, b)) return refuse(name, "a copy does not load");
    if (first.lastError == second.lastError) return refuse(name, "the copies are one library");

    /* One module file: the second copy's session is refused, and says why. */
    VistrelleSession *held = cardSession(&first, argv[2], 0.0);
    if (held == NULL) return refuse("first session", first.lastError());
    VistrelleSession *shared = NULL;
    if (second.open(argv[2], 24.0, &shared) != VISTRELLE_REFUSED || shared != NULL)
        return refuse("second session over the same module", "not refused");
    const char *line = second.lastError();
    if (strstr(line, "loaded in this process already") == NULL || strchr(line, '\n') != NULL)
        return refuse("second session's line", line);

    /* Two module files: each session turns as it does alone, whatever the other does between. */
    VistrelleSession *apart = cardSession(&second, copy, 5.0);
    if (apart == NULL) return refuse("session over the copy", second.lastError());
    float mine[2][12], alone[2][12];
    if (!turned(&first, held, 7, mine[0]) || !turned(&second, apart, 7, mine[1]) ||
        !turned(&first, held, 7, mine[0]))
        return refuse("turn", first.lastError());
    first.release(held);
    second.release(apart);
    VistrelleSession *one = cardSession(&first, argv[2], 0.0);
    if (one == NULL || !turned(&first, one, 7, alone[0])) return refuse("alone", first.lastError());
    first.release(one);
    VistrelleSession *other = cardSession(&first, argv[2], 5.0);
    if (other == NULL || !turned(&first, other, 7, alone[1]))
        return refuse("alone", first.lastError());
    first.release(other);
    if (memcmp(mine, alone, sizeof mine) != 0)
        return refuse("two sessions apart", "a turn differs from the same session's alone");
    if (memcmp(mine[0], mine[1], sizeof mine[0]) == 0)
        return refuse("two sessions apart", "both targets give one turn");
    printf("two copies of %s: one module refused to the second (%s); two modules turn apart\n",
           name, line);
    return 0;
}
