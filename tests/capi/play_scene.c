/* play_scene: the C interface alone plays a scene of one target and one object, every frame, and
   writes the turned points as little-endian floats, frame after frame.
       play_scene SESSION_MODULE SCENE.txt OUT
   SCENE.txt, numbers in C's hexadecimal float notation so that every bit is kept:
       fps START END
       settings S1 S2 S3 S4 S5          (the target is item 1)
       keys N   then N lines: TIME X Y Z
       points N then N lines: X Y Z
   Exit status 1 with one line on stderr on any refusal. */
#include "capi/vistrelle_session.h"

#include <stdio.h>
#include <stdlib.h>

static int refuse(const char *what, const char *detail) {
    fprintf(stderr, "play_scene: %s: %s\n", what, detail);
    return 1;
}

int main(int argc, char **argv) {
    if (argc != 4) return refuse("usage", "play_scene MODULE SCENE.txt OUT");
    FILE *in = fopen(argv[2], "r");
    if (in == NULL) return refuse(argv[2], "cannot be read");
    double fps = 0.0;
    int start = 0, end = 0;
    int32_t settings[VISTRELLE_SETTING_COUNT];
    size_t keyCount = 0, pointCount = 0;
    int ok = fscanf(in, " fps %lf %d %d", &fps, &start, &end) == 3 &&
             fscanf(in, " settings %d %d %d %d %d", &settings[0], &settings[1], &settings[2],
                    &settings[3], &settings[4]) == 5 &&
             fscanf(in, " keys %zu", &keyCount) == 1 && keyCount > 0 && keyCount < 1000000;
    double *keys = ok ? malloc(keyCount * 4 * sizeof(double)) : NULL;
    for (size_t k = 0; ok && keys != NULL && k < 4 * keyCount; ++k)
        ok = fscanf(in, "%lf", &keys[k]) == 1;
    ok = ok && keys != NULL && fscanf(in, " points %zu", &pointCount) == 1 && pointCount > 0 &&
         pointCount < 100000000;
    float *points = ok ? malloc(pointCount * 3 * sizeof(float)) : NULL;
    for (size_t k = 0; ok && points != NULL && k < 3 * pointCount; ++k)
        ok = fscanf(in, "%f", &points[k]) == 1;
    fclose(in);
    float *turned = ok && points != NULL ? malloc(pointCount * 3 * sizeof(float)) : NULL;
    if (turned == NULL) return refuse(argv[2], "not a scene of the expected form");

    VistrelleSession *session = NULL;
    size_t target = 0, object = 0;
    if (vistrelle_open(argv[1], fps, &session) != VISTRELLE_OK ||
        vistrelle_add_target(session, "Camera", keys, keyCount, &target) != VISTRELLE_OK ||
        vistrelle_add_object(session, "Bush", points, pointCount, settings, &object) !=
            VISTRELLE_OK)
        return refuse(argv[1], vistrelle_last_error());
    FILE *out = fopen(argv[3], "wb");
    if (out == NULL) return refuse(argv[3], "cannot be written");
    float *outputs[1] = {turned};
    const size_t counts[1] = {pointCount};
    for (int frame = start; frame <= end; ++frame) {
        if (vistrelle_turn(session, frame, NULL, outputs, counts, 1) != VISTRELLE_OK)
            return refuse("turn", vistrelle_last_error());
        if (fwrite(turned, sizeof(float), 3 * pointCount, out) != 3 * pointCount)
            return refuse(argv[3], "a short write");
    }
    if (fclose(out) != 0) return refuse(argv[3], "a failed write");
    vistrelle_release(session);
    free(keys);
    free(points);
    free(turned);
    printf("frames %d-%d of %zu points written to %s\n", start, end, pointCount, argv[3]);
    return 0;
}
