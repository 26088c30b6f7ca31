// The C entries of capi/vistrelle_session.h over capi::Session: each takes the session's lock for
// its whole call, turns every exception into a status and this thread's last error line.
#include "capi/vistrelle_session.h"

#include "capi/argument_checks.h"
#include "capi/panel_values.h"
#include "capi/session.h"
#include "host/vistrelle_contract.h"
#include "hostsim/host_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <string>
#include <vector>

struct VistrelleSession {
    std::mutex lock;
    std::unique_ptr<capi::Session> session;  // null once closed
};

namespace {

thread_local std::string lastError;

// Held while a session is made or closed: two threads opening at once see each other's module
// loaded, or another host active, and one is refused, never both let through. (Another copy of
// the library has a lock of its own.)
std::mutex openings;

// Thrown for a null or out-of-range argument the entry checks itself.
struct ArgumentFault {
    std::string line;
};
struct SessionClosed {};

int32_t failed(int32_t status, const std::string &line) {
    try {
        lastError = line;
    } catch (...) {
        lastError.clear();
    }
    return status;
}

// Runs `work`, answering VISTRELLE_OK or the status of what it threw.
template <typename Work>
int32_t guarded(Work &&work) noexcept {
    try {
        work();
        return VISTRELLE_OK;
    } catch (const SessionClosed &) {
        return failed(VISTRELLE_CLOSED, "vistrelle: the session is closed");
    } catch (const ArgumentFault &fault) {
        return failed(VISTRELLE_BAD_ARGUMENT, fault.line);
    } catch (const capi::BadArgument &e) {
        return failed(VISTRELLE_BAD_ARGUMENT, e.what());
    } catch (const hostsim::HostError &e) {
        return failed(VISTRELLE_REFUSED, e.what());
    } catch (const std::bad_alloc &) {
        return failed(VISTRELLE_NO_MEMORY, "vistrelle: out of memory");
    } catch (const std::exception &e) {
        return failed(VISTRELLE_FAILED, std::string("vistrelle: ") + e.what());
    } catch (...) {
        return failed(VISTRELLE_FAILED, "vistrelle: an unknown failure");
    }
}

void need(const void *pointer, const char *what) {
    if (pointer == nullptr) throw ArgumentFault{std::string("vistrelle: ") + what + " is null"};
}

// `work(session)` under the session's lock, when the session is open.
template <typename Work>
int32_t withSession(VistrelleSession *handle, Work &&work) noexcept {
    if (handle == nullptr) return failed(VISTRELLE_BAD_ARGUMENT, "vistrelle: the session is null");
    return guarded([&] {
        const std::lock_guard<std::mutex> hold(handle->lock);
        if (!handle->session) throw SessionClosed{};
        work(*handle->session);
    });
}

// Copies `text` as the header's text entries do.
int32_t copyText(const std::string &text, char *out, std::size_t size, std::size_t *length) {
    if (length != nullptr) *length = text.size();
    if (size == 0) return text.empty() ? VISTRELLE_OK : VISTRELLE_SHORT_BUFFER;
    if (out == nullptr) return failed(VISTRELLE_BAD_ARGUMENT, "vistrelle: text is null");
    const std::size_t kept = text.size() < size ? text.size() : size - 1;
    std::memcpy(out, text.data(), kept);
    out[kept] = '\0';
    if (kept < text.size())
        return failed(VISTRELLE_SHORT_BUFFER, "vistrelle: a text of " +
                                                  std::to_string(text.size()) +
                                                  " bytes does not fit in " + std::to_string(size));
    return VISTRELLE_OK;
}

hostsim::Motion motionOf(const double *keys, std::size_t keyCount) {
    need(keys, "keys");
    if (keyCount > capi::mostItems(4 * sizeof(double)))
        throw ArgumentFault{"vistrelle: " + std::to_string(keyCount) + " keys are too many"};
    hostsim::Motion motion;
    motion.keys.reserve(keyCount);  // a count beyond memory fails here, before a key is read
    for (std::size_t k = 0; k < keyCount; ++k)
        motion.keys.push_back({keys[4 * k], {keys[4 * k + 1], keys[4 * k + 2], keys[4 * k + 3]}});
    std::stable_sort(motion.keys.begin(), motion.keys.end(),
                     [](const auto &a, const auto &b) { return a.time < b.time; });
    return motion;
}

capi::Points pointsOf(const float *points, std::size_t count) {
    if (count > 0) need(points, "points");
    if (count > capi::mostItems(sizeof(std::array<float, 3>)))
        throw ArgumentFault{"vistrelle: " + std::to_string(count) + " points are too many"};
    return {reinterpret_cast<const std::array<float, 3> *>(points), count};
}

std::vector<std::int32_t> settingsOf(const int32_t *settings) {
    return {settings, settings + SETTING_COUNT};
}

const capi::PanelControlView &controlAt(const std::vector<capi::PanelControlView> &controls,
                                        std::size_t place) {
    if (place >= controls.size())
        throw ArgumentFault{"vistrelle: no control " + std::to_string(place) + "; the panel has " +
                            std::to_string(controls.size())};
    return controls[place];
}

int32_t kindOf(const capi::PanelControlView &control) {
    if (control.controlClass == "iPopChoice") return VISTRELLE_CONTROL_POPUP;
    if (control.controlClass == "iBoolean") return VISTRELLE_CONTROL_SWITCH;
    if (control.controlClass == "float") return VISTRELLE_CONTROL_NUMBER;
    if (control.controlClass == "integer") return VISTRELLE_CONTROL_INTEGER;
    return VISTRELLE_CONTROL_OTHER;
}

}  // namespace

extern "C" {

const char *vistrelle_last_error(void) { return lastError.c_str(); }

int32_t vistrelle_open(const char *modulePath, double framesPerSecond, VistrelleSession **session) {
    return guarded([&] {
        need(session, "session");
        *session = nullptr;
        need(modulePath, "the module path");
        const std::lock_guard<std::mutex> alone(openings);
        const std::filesystem::path module = capi::modulePath(modulePath);
        auto handle = std::make_unique<VistrelleSession>();
        handle->session = std::make_unique<capi::Session>(module, framesPerSecond);
        *session = handle.release();
    });
}

int32_t vistrelle_open_scene(const char *modulePath, const char *scenePath,
                             VistrelleSession **session) {
    return guarded([&] {
        need(session, "session");
        *session = nullptr;
        need(modulePath, "the module path");
        need(scenePath, "the scene path");
        const std::filesystem::path scene = capi::namedPath(scenePath, "the scene path");
        const std::lock_guard<std::mutex> alone(openings);
        const std::filesystem::path module = capi::modulePath(modulePath);
        auto handle = std::make_unique<VistrelleSession>();
        handle->session = capi::Session::fromScene(module, scene);
        *session = handle.release();
    });
}

int32_t vistrelle_close(VistrelleSession *session) {
    if (session == nullptr) return failed(VISTRELLE_BAD_ARGUMENT, "vistrelle: the session is null");
    return guarded([&] {
        const std::lock_guard<std::mutex> alone(openings);
        const std::lock_guard<std::mutex> hold(session->lock);
        session->session.reset();
    });
}

void vistrelle_release(VistrelleSession *session) {
    if (session == nullptr) return;
    vistrelle_close(session);
    delete session;
}

int32_t vistrelle_frames_per_second(VistrelleSession *session, double *fps) {
    return withSession(session, [&](capi::Session &s) {
        need(fps, "fps");
        *fps = s.framesPerSecond();
    });
}

int32_t vistrelle_item_count(VistrelleSession *session, size_t *count) {
    return withSession(session, [&](capi::Session &s) {
        need(count, "count");
        *count = s.itemNames().size();
    });
}

int32_t vistrelle_item_name(VistrelleSession *session, size_t itemNumber, char *text, size_t size,
                            size_t *length) {
    std::string name;
    const int32_t status = withSession(session, [&](capi::Session &s) {
        const std::vector<std::string> names = s.itemNames();
        if (itemNumber < 1 || itemNumber > names.size())
            throw ArgumentFault{"vistrelle: no item " + std::to_string(itemNumber) +
                                "; items are numbered 1 to " + std::to_string(names.size())};
        name = names[itemNumber - 1];
    });
    return status != VISTRELLE_OK ? status : copyText(name, text, size, length);
}

int32_t vistrelle_add_target(VistrelleSession *session, const char *name, const double *keys,
                             size_t keyCount, size_t *itemNumber) {
    return withSession(session, [&](capi::Session &s) {
        need(name, "name");
        need(itemNumber, "itemNumber");
        *itemNumber = s.addTarget(name, motionOf(keys, keyCount));
    });
}

int32_t vistrelle_move_target(VistrelleSession *session, size_t itemNumber, const double *keys,
                              size_t keyCount) {
    return withSession(
        session, [&](capi::Session &s) { s.setMotion(itemNumber, motionOf(keys, keyCount)); });
}

int32_t vistrelle_add_object(VistrelleSession *session, const char *name, const float *points,
                             size_t pointCount, const int32_t *settings, size_t *object) {
    return withSession(session, [&](capi::Session &s) {
        need(name, "name");
        need(object, "object");
        const capi::Points rows = pointsOf(points, pointCount);
        if (settings == nullptr) {
            *object = s.addObject(name, rows);
        } else {
            const std::vector<std::int32_t> values = settingsOf(settings);
            *object = s.addObject(name, rows, &values);
        }
    });
}

int32_t vistrelle_object_count(VistrelleSession *session, size_t *count) {
    return withSession(session, [&](capi::Session &s) {
        need(count, "count");
        *count = s.objectCount();
    });
}

int32_t vistrelle_point_count(VistrelleSession *session, size_t object, size_t *count) {
    return withSession(session, [&](capi::Session &s) {
        need(count, "count");
        *count = s.pointCount(object);
    });
}

int32_t vistrelle_object_item(VistrelleSession *session, size_t object, size_t *itemNumber) {
    return withSession(session, [&](capi::Session &s) {
        need(itemNumber, "itemNumber");
        *itemNumber = s.itemNumber(object);
    });
}

int32_t vistrelle_get_points(VistrelleSession *session, size_t object, float *points,
                             size_t pointCount) {
    return withSession(session, [&](capi::Session &s) {
        const auto &base = s.basePoints(object);
        if (pointCount > 0) need(points, "points");
        if (pointCount != base.size())
            throw ArgumentFault{"vistrelle: room for " + std::to_string(pointCount) +
                                " points, object " + std::to_string(object) + " has " +
                                std::to_string(base.size())};
        if (!base.empty()) std::memcpy(points, base.data(), base.size() * sizeof(base[0]));
    });
}

int32_t vistrelle_set_points(VistrelleSession *session, size_t object, const float *points,
                             size_t pointCount) {
    return withSession(
        session, [&](capi::Session &s) { s.setPoints(object, pointsOf(points, pointCount)); });
}

int32_t vistrelle_get_settings(VistrelleSession *session, size_t object, int32_t *settings) {
    return withSession(session, [&](capi::Session &s) {
        need(settings, "settings");
        const std::vector<std::int32_t> values = s.settings(object);
        if (values.size() != SETTING_COUNT)
            throw hostsim::HostError("vistrelle: the module saved " +
                                     std::to_string(values.size()) + " integers, not five");
        std::copy(values.begin(), values.end(), settings);
    });
}

int32_t vistrelle_set_settings(VistrelleSession *session, size_t object, const int32_t *settings) {
    return withSession(session, [&](capi::Session &s) {
        need(settings, "settings");
        s.setSettings(object, settingsOf(settings));
    });
}

int32_t vistrelle_control_count(VistrelleSession *session, size_t object, size_t *count) {
    return withSession(session, [&](capi::Session &s) {
        need(count, "count");
        *count = capi::readControls(s.panel(object)).size();
    });
}

int32_t vistrelle_control_at(VistrelleSession *session, size_t object, size_t place,
                             VistrelleControlInfo *control) {
    return withSession(session, [&](capi::Session &s) {
        need(control, "control");
        const auto controls = capi::readControls(s.panel(object));
        const capi::PanelControlView &view = controlAt(controls, place);
        *control = VistrelleControlInfo{view.id,
                                        kindOf(view),
                                        view.value.has_value() ? 1 : 0,
                                        view.derived ? 1 : 0,
                                        view.value.value_or(0.0),
                                        static_cast<uint32_t>(view.entries.size()),
                                        0};
    });
}

int32_t vistrelle_find_control(VistrelleSession *session, size_t object, const char *label,
                               size_t *place) {
    return withSession(session, [&](capi::Session &s) {
        need(label, "label");
        need(place, "place");
        *place = capi::controlPlace(capi::readControls(s.panel(object)), label);
    });
}

int32_t vistrelle_control_label(VistrelleSession *session, size_t object, size_t place, char *text,
                                size_t size, size_t *length) {
    std::string label;
    const int32_t status = withSession(session, [&](capi::Session &s) {
        label = controlAt(capi::readControls(s.panel(object)), place).label;
    });
    return status != VISTRELLE_OK ? status : copyText(label, text, size, length);
}

int32_t vistrelle_control_entry(VistrelleSession *session, size_t object, size_t place,
                                uint32_t entry, char *text, size_t size, size_t *length) {
    std::string name;
    const int32_t status = withSession(session, [&](capi::Session &s) {
        const auto controls = capi::readControls(s.panel(object));
        const capi::PanelControlView &view = controlAt(controls, place);
        if (entry >= view.entries.size())
            throw ArgumentFault{"vistrelle: \"" + view.label + "\" has no entry " +
                                std::to_string(entry)};
        name = view.entries[entry];
    });
    return status != VISTRELLE_OK ? status : copyText(name, text, size, length);
}

int32_t vistrelle_set_control(VistrelleSession *session, size_t object, size_t place, double number,
                              const char *text) {
    return withSession(session, [&](capi::Session &s) {
        const auto controls = capi::readControls(s.panel(object));
        const capi::PanelControlView &view = controlAt(controls, place);
        const capi::PanelInput input =
            text != nullptr ? capi::PanelInput{std::string(text)} : capi::PanelInput{number};
        s.edit(object, view.id, capi::panelNumber(view, input));
    });
}

int32_t vistrelle_turn(VistrelleSession *session, int32_t frame, const double *time,
                       float *const *outputs, const size_t *counts, size_t objectCount) {
    return withSession(session, [&](capi::Session &s) {
        if (objectCount > 0) {
            need(outputs, "outputs");
            need(counts, "counts");
        }
        // Before anything of the caller's arrays is read: they hold objectCount entries.
        if (objectCount != s.objectCount())
            throw ArgumentFault{"vistrelle: " + std::to_string(objectCount) + " outputs for " +
                                std::to_string(s.objectCount()) + " objects"};
        std::vector<std::span<std::array<float, 3>>> spans;
        spans.reserve(objectCount);
        for (std::size_t k = 0; k < objectCount; ++k) {
            if (counts[k] > 0 && outputs[k] == nullptr)
                throw ArgumentFault{"vistrelle: output " + std::to_string(k) + " is null"};
            spans.emplace_back(reinterpret_cast<std::array<float, 3> *>(outputs[k]), counts[k]);
        }
        s.turn(frame, time != nullptr ? *time : frame / s.framesPerSecond(), spans);
    });
}

}  // extern "C"
