/* open_scene: the C interface alone opens a scene file and says what it holds.
       open_scene SESSION_MODULE SCENE.json
   Prints "fps F, items N, objects M, points P" (P of the first object). On Windows the arguments
   are taken as typed (wmain) and handed to the library as UTF-8, as it expects paths on every
   system. Exit status 1 with one line on stderr on any refusal. */
#include "capi/vistrelle_session.h"

#include <stdio.h>

#if defined(_WIN32)
#include <stdlib.h>
#include <windows.h>
#endif

static int refuse(const char *what, const char *detail) {
    fprintf(stderr, "open_scene: %s: %s\n", what, detail);
    return 1;
}

static int openScene(const char *module, const char *scene) {
    VistrelleSession *session = NULL;
    double fps = 0.0;
    size_t items = 0, objects = 0, points = 0;
    if (vistrelle_open_scene(module, scene, &session) != VISTRELLE_OK)
        return refuse(scene, vistrelle_last_error());
    const int ok = vistrelle_frames_per_second(session, &fps) == VISTRELLE_OK &&
                   vistrelle_item_count(session, &items) == VISTRELLE_OK &&
                   vistrelle_object_count(session, &objects) == VISTRELLE_OK && objects > 0 &&
                   vistrelle_point_count(session, 0, &points) == VISTRELLE_OK;
    if (!ok) return refuse(scene, vistrelle_last_error());
    printf("fps %g, items %zu, objects %zu, points %zu\n", fps, items, objects, points);
    vistrelle_release(session);
    return 0;
}

#if defined(_WIN32)
/* The argument in UTF-8, or NULL. */
static char *utf8(const wchar_t *wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, NULL, 0, NULL, NULL);
    char *text = length > 0 ? malloc((size_t)length) : NULL;
    if (text != NULL) WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, length, NULL, NULL);
    return text;
}

int wmain(int argc, wchar_t **argv) {
    if (argc != 3) return refuse("usage", "open_scene MODULE SCENE.json");
    char *module = utf8(argv[1]), *scene = utf8(argv[2]);
    if (module == NULL || scene == NULL) return refuse("arguments", "not convertible to UTF-8");
    const int status = openScene(module, scene);
    free(module);
    free(scene);
    return status;
}
#else
int main(int argc, char **argv) {
    if (argc != 3) return refuse("usage", "open_scene MODULE SCENE.json");
    return openScene(argv[1], argv[2]);
}
#endif
