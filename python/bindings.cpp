// The Python module vistrelle._vistrelle: Session and Object over pyvistrelle::Session, numpy
// arrays in and out, host errors as vistrelle.HostError with the host's one-line message.
#include "python/panel_values.h"
#include "python/session.h"

#include "hostsim/host_error.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <mutex>

namespace py = pybind11;

namespace pyvistrelle {
namespace {

using FloatArray = py::array_t<float>;

// An (N, 3) float32 array, C-ordered: its points as a span of the caller's memory. TypeError or
// ValueError naming `what` otherwise.
std::span<std::array<float, 3>> pointRows(const py::handle &given, const char *what,
                                          bool writable) {
    if (!py::isinstance<py::array>(given))
        throw py::type_error(std::string(what) +
                             ": expected a numpy array of float32, shape (N, 3)");
    const auto array = py::reinterpret_borrow<py::array>(given);
    if (!array.dtype().is(py::dtype::of<float>()))
        throw py::type_error(std::string(what) + ": expected dtype float32, not " +
                             py::str(array.dtype()).cast<std::string>() +
                             " (numpy.asarray(a, dtype=numpy.float32) makes one)");
    if (array.ndim() != 2 || array.shape(1) != 3)
        throw py::value_error(std::string(what) + ": expected shape (N, 3), not " +
                              py::str(py::tuple(array.attr("shape"))).cast<std::string>());
    if (!(array.flags() & py::array::c_style))
        throw py::value_error(std::string(what) + ": expected a C-contiguous array");
    if (writable && !array.writeable())
        throw py::value_error(std::string(what) + ": the array is read-only");
    auto *data = static_cast<std::array<float, 3> *>(const_cast<void *>(array.data()));
    return {data, static_cast<std::size_t>(array.shape(0))};
}

hostsim::Motion motionOf(
    const std::optional<std::array<double, 3>> &position,
    const std::optional<std::vector<std::pair<double, std::array<double, 3>>>> &keys) {
    if (position.has_value() == keys.has_value())
        throw py::value_error("give either position=(x, y, z) or keys=[(time, (x, y, z)), ...]");
    if (position) return hostsim::Motion::fixed({(*position)[0], (*position)[1], (*position)[2]});
    hostsim::Motion motion;
    for (const auto &[time, p] : *keys) motion.keys.push_back({time, {p[0], p[1], p[2]}});
    std::stable_sort(motion.keys.begin(), motion.keys.end(),
                     [](const auto &a, const auto &b) { return a.time < b.time; });
    return motion;
}

// The session and the arrays its objects' turned points go to by default.
class PySession {
  public:
    explicit PySession(std::unique_ptr<Session> session) : session_(std::move(session)) {
        for (std::size_t k = 0; k < session_->objectCount(); ++k)
            positions_.push_back(freshArray(k));
    }

    Session &session() {
        if (!session_) throw hostsim::HostError("vistrelle: the session is closed");
        // A frame turning in another thread holds the lock without the GIL; waiting here would hold
        // the GIL.
        if (!lock_.try_lock())
            throw py::value_error("vistrelle: the session is turning a frame in another thread");
        lock_.unlock();
        return *session_;
    }

    std::size_t addObject(const std::string &name, const py::handle &points,
                          const std::optional<std::vector<std::int32_t>> &settings) {
        const auto rows = pointRows(points, "points", false);
        const std::size_t index = session().addObject(name, rows, settings ? &*settings : nullptr);
        positions_.push_back(freshArray(index));
        return index;
    }

    void setPoints(std::size_t index, const py::handle &points) {
        const auto rows = pointRows(points, "points", false);
        session().setPoints(index, rows);
        if (static_cast<std::size_t>(positions_[index].shape(0)) != rows.size())
            positions_[index] = freshArray(index);
    }

    FloatArray positions(std::size_t index) {
        session().pointCount(index);  // refuses an index out of range
        return positions_[index];
    }

    py::list turn(std::int32_t frame, std::optional<double> time,
                  const std::optional<py::sequence> &out) {
        Session &s = session();
        std::vector<py::array> arrays;
        if (out) {
            std::size_t k = 0;
            for (const py::handle item : *out) {
                if (!py::isinstance<py::array>(item))
                    throw py::type_error("out[" + std::to_string(k) +
                                         "]: expected a numpy array of float32, shape (N, 3)");
                arrays.push_back(py::reinterpret_borrow<py::array>(item));
                ++k;
            }
            if (arrays.size() != s.objectCount())
                throw py::value_error("out: " + std::to_string(arrays.size()) + " arrays for " +
                                      std::to_string(s.objectCount()) + " objects");
        } else {
            for (const FloatArray &a : positions_) arrays.push_back(a);
        }
        std::vector<std::span<std::array<float, 3>>> spans;
        for (std::size_t k = 0; k < arrays.size(); ++k) {
            const std::string what = "out[" + std::to_string(k) + "]";
            spans.push_back(pointRows(arrays[k], what.c_str(), true));
            if (spans.back().size() != s.pointCount(k))
                throw py::value_error(what + ": holds " + std::to_string(spans.back().size()) +
                                      " points, object " + std::to_string(k) + " has " +
                                      std::to_string(s.pointCount(k)));
        }
        const double at = time.value_or(frame / s.framesPerSecond());
        {
            py::gil_scoped_release released;
            const std::lock_guard<std::mutex> hold(lock_);
            s.turn(frame, at, spans);
        }
        py::list result;
        for (const py::array &a : arrays) result.append(a);
        return result;
    }

    py::dict panel(std::size_t index) {
        py::dict shown;
        for (const PanelControlView &control : readControls(session().panel(index))) {
            if (control.value && !control.entries.empty() && *control.value >= 0 &&
                *control.value < static_cast<double>(control.entries.size()) &&
                *control.value == std::trunc(*control.value))
                shown[py::str(control.label)] =
                    control.entries[static_cast<std::size_t>(*control.value)];
            else if (control.value && control.controlClass == "float")
                shown[py::str(control.label)] = *control.value;
            else if (control.value)
                shown[py::str(control.label)] = static_cast<std::int64_t>(*control.value);
            else
                shown[py::str(control.label)] = py::none();
        }
        return shown;
    }

    py::object get(std::size_t index, const std::string &label) {
        const auto controls = readControls(session().panel(index));
        const PanelControlView &control = controlNamed(controls, label);
        if (!control.value) return py::none();
        if (control.controlClass == "float") return py::float_(*control.value);
        return py::int_(static_cast<std::int64_t>(*control.value));
    }

    std::vector<std::string> entries(std::size_t index, const std::string &label) {
        const auto controls = readControls(session().panel(index));
        return controlNamed(controls, label).entries;
    }

    void set(std::size_t index, const std::string &label, const PanelInput &value) {
        Session &s = session();
        const auto controls = readControls(s.panel(index));
        const PanelControlView &control = controlNamed(controls, label);
        s.edit(index, control.id, panelNumber(control, value));
    }

    // Unloads the module; the session refuses every later use.
    void close() {
        if (!session_) return;
        session();  // refuses while a frame turns
        positions_.clear();
        session_.reset();
    }

  private:
    FloatArray freshArray(std::size_t index) {
        const std::size_t n = session_->pointCount(index);
        FloatArray array({static_cast<py::ssize_t>(n), py::ssize_t{3}});
        std::copy_n(session_->basePoints(index).data(), n,
                    reinterpret_cast<std::array<float, 3> *>(array.mutable_data()));
        return array;
    }

    std::unique_ptr<Session> session_;
    std::vector<FloatArray> positions_;
    std::mutex lock_;
};

// A handle of one object of a session; it keeps the session alive.
struct ObjectRef {
    py::object owner;
    PySession *session = nullptr;
    std::size_t index = 0;
};

ObjectRef refOf(const py::object &owner, std::size_t index) {
    return {owner, owner.cast<PySession *>(), index};
}

}  // namespace
}  // namespace pyvistrelle

#include "python/docstrings.h"

PYBIND11_MODULE(_vistrelle, m) {
    using namespace pyvistrelle;
    m.doc() = doc::module;
    static py::exception<hostsim::HostError> hostError(m, "HostError", PyExc_RuntimeError);
    hostError.doc() = doc::hostError;
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const hostsim::HostError &e) {
            hostError(e.what());
        }
    });

    py::class_<ObjectRef>(m, "Object", doc::object)
        .def_property_readonly(
            "index", [](const ObjectRef &o) { return o.index; }, doc::objectIndex)
        .def_property_readonly(
            "item", [](ObjectRef &o) { return o.session->session().itemNumber(o.index); },
            doc::objectItem)
        .def_property_readonly(
            "point_count", [](ObjectRef &o) { return o.session->session().pointCount(o.index); })
        .def_property_readonly(
            "positions", [](ObjectRef &o) { return o.session->positions(o.index); },
            doc::objectPositions)
        .def_property(
            "points",
            [](ObjectRef &o) {
                const auto &base = o.session->session().basePoints(o.index);
                FloatArray copy({static_cast<py::ssize_t>(base.size()), py::ssize_t{3}});
                std::copy_n(base.data(), base.size(),
                            reinterpret_cast<std::array<float, 3> *>(copy.mutable_data()));
                return copy;
            },
            [](ObjectRef &o, const py::handle &points) { o.session->setPoints(o.index, points); },
            doc::objectPoints)
        .def_property(
            "settings", [](ObjectRef &o) { return o.session->session().settings(o.index); },
            [](ObjectRef &o, const std::vector<std::int32_t> &values) {
                o.session->session().setSettings(o.index, values);
            },
            doc::objectSettings)
        .def(
            "panel", [](ObjectRef &o) { return o.session->panel(o.index); }, doc::objectPanel)
        .def(
            "get",
            [](ObjectRef &o, const std::string &label) { return o.session->get(o.index, label); },
            py::arg("label"), doc::objectGet)
        .def(
            "entries",
            [](ObjectRef &o, const std::string &label) {
                return o.session->entries(o.index, label);
            },
            py::arg("label"), doc::objectEntries)
        .def(
            "set",
            [](ObjectRef &o, const std::string &label, const PanelInput &value) {
                o.session->set(o.index, label, value);
            },
            py::arg("label"), py::arg("value"), doc::objectSet)
        .def("__repr__", [](ObjectRef &o) {
            return "<vistrelle.Object " + std::to_string(o.index) + ": item " +
                   std::to_string(o.session->session().itemNumber(o.index)) + ", " +
                   std::to_string(o.session->session().pointCount(o.index)) + " points>";
        });

    py::class_<PySession>(m, "Session", doc::session)
        .def(py::init([](const std::filesystem::path &module, double fps) {
                 return std::make_unique<PySession>(std::make_unique<Session>(module, fps));
             }),
             py::arg("module"), py::arg("fps") = 24.0, doc::sessionInit)
        .def_static(
            "from_scene",
            [](const std::filesystem::path &module, const std::filesystem::path &scene) {
                return std::make_unique<PySession>(Session::fromScene(module, scene));
            },
            py::arg("module"), py::arg("scene"), doc::sessionFromScene)
        .def_property_readonly("fps", [](PySession &s) { return s.session().framesPerSecond(); })
        .def_property_readonly(
            "items", [](PySession &s) { return s.session().itemNames(); }, doc::sessionItems)
        .def_property_readonly(
            "objects",
            [](py::object self) {
                py::list list;
                const std::size_t n = self.cast<PySession &>().session().objectCount();
                for (std::size_t k = 0; k < n; ++k) list.append(refOf(self, k));
                return list;
            },
            doc::sessionObjects)
        .def(
            "add_target",
            [](PySession &s, const std::string &name,
               const std::optional<std::array<double, 3>> &position,
               const std::optional<std::vector<std::pair<double, std::array<double, 3>>>> &keys) {
                return s.session().addTarget(name, motionOf(position, keys));
            },
            py::arg("name"), py::kw_only(), py::arg("position") = py::none(),
            py::arg("keys") = py::none(), doc::sessionAddTarget)
        .def(
            "move_target",
            [](PySession &s, std::size_t item, const std::optional<std::array<double, 3>> &position,
               const std::optional<std::vector<std::pair<double, std::array<double, 3>>>> &keys) {
                s.session().setMotion(item, motionOf(position, keys));
            },
            py::arg("item"), py::kw_only(), py::arg("position") = py::none(),
            py::arg("keys") = py::none(), doc::sessionMoveTarget)
        .def(
            "add_object",
            [](py::object self, const std::string &name, const py::handle &points,
               const std::optional<std::vector<std::int32_t>> &settings) {
                return refOf(self, self.cast<PySession &>().addObject(name, points, settings));
            },
            py::arg("name"), py::arg("points"), py::arg("settings") = py::none(),
            doc::sessionAddObject)
        .def("close", &PySession::close, doc::sessionClose)
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](PySession &s, const py::args &) { s.close(); })
        .def("turn", &PySession::turn, py::arg("frame"), py::arg("time") = py::none(),
             py::arg("out") = py::none(), doc::sessionTurn);
}
