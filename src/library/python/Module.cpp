// The Python module `velmora`: strip(data), check(data), strip_file(path),
// keyword options named as the settings, typed errors. The engine runs with
// the GIL released, so threads strip in parallel.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "library/Run.h"
#include "velmora/velmora.h"

namespace py = pybind11;

namespace {

// The keyword options, each the settings' name for it.
struct TKeyword {
  const char* name;
  int velmora_options::*field;
};
// clang-format off
constexpr std::array<TKeyword, 8> kKeywords{{
    {"keep_orientation", &velmora_options::keep_orientation},
    {"keep_icc",         &velmora_options::keep_icc},
    {"cut_after_eoi",    &velmora_options::cut_after_eoi},
    {"write_jfif",       &velmora_options::write_jfif},
    {"original_jfif",    &velmora_options::original_jfif},
    {"write_app14",      &velmora_options::write_app14},
    {"write_comment",    &velmora_options::write_comment},
    {"backup",           &velmora_options::backup},
}};
// clang-format on

velmora_options optionsOf(const py::kwargs& keywords) {
  velmora_options options;
  velmora_options_init(&options);
  for (const auto& [key, value] : keywords) {
    const auto name = key.cast<std::string>();
    const TKeyword* found = nullptr;
    for (const TKeyword& keyword : kKeywords)
      if (name == keyword.name) found = &keyword;
    if (found == nullptr) throw py::type_error("unknown option: " + name);
    options.*found->field = py::cast<bool>(value) ? 1 : 0;
  }
  return options;
}

// The caller's bytes, held for the call: any contiguous buffer.
class TBytesView {
 public:
  explicit TBytesView(const py::object& data) {
    if (PyObject_GetBuffer(data.ptr(), &view_, PyBUF_SIMPLE) != 0) throw py::error_already_set();
  }
  ~TBytesView() { PyBuffer_Release(&view_); }
  TBytesView(const TBytesView&) = delete;
  TBytesView& operator=(const TBytesView&) = delete;
  const uint8_t* Data() const { return static_cast<const uint8_t*>(view_.buf); }
  size_t Size() const { return static_cast<size_t>(view_.len); }

 private:
  Py_buffer view_{};
};

struct TSegment {
  int marker;
  std::string kind;
  int64_t offset;
  int64_t length;
};

struct TOutcome {
  std::string outcome;  // velmora_outcome_text
  int code;
  std::string reason;
  std::vector<TSegment> removed;
  std::string backup;
  std::vector<std::string> trace;
};

std::vector<TSegment> segmentsOf(const velmora_library::TRunResult& run) {
  std::vector<TSegment> segments;
  segments.reserve(run.removed.size());
  for (const velmora_library::TRemoved& removed : run.removed)
    segments.push_back({removed.marker, removed.kind, removed.offset, removed.length});
  return segments;
}

py::object errorClass(const char* name) { return py::module_::import("velmora").attr(name); }

// Raises the error of an input that was not stripped.
void raiseIfNotStripped(const velmora_library::TRunResult& run) {
  if (run.outcome == VELMORA_WRITTEN || run.outcome == VELMORA_CLEAN) return;
  const char* name = run.outcome == VELMORA_NOT_JPEG  ? "NotJpegError"
                     : run.outcome == VELMORA_DAMAGED ? "DamagedError"
                                                      : "Error";
  const std::string text = std::string(velmora_outcome_text(run.outcome)) +
                           (run.reason.empty() ? "" : ": " + run.reason);
  PyErr_SetString(errorClass(name).ptr(), text.c_str());
  throw py::error_already_set();
}

py::bytes strip(const py::object& data, const py::kwargs& keywords) {
  const velmora_options options = optionsOf(keywords);
  const TBytesView view(data);
  py::object output;
  velmora_library::TRunResult run;
  {
    const py::gil_scoped_release released;
    // The output goes straight into the bytes object: one copy from the input.
    run = velmora_library::StripBuffer(view.Data(), view.Size(), options, false, [&](size_t size) {
      const py::gil_scoped_acquire held;
      output = py::reinterpret_steal<py::object>(
          PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size)));
      if (!output) throw py::error_already_set();
      return reinterpret_cast<uint8_t*>(PyBytes_AS_STRING(output.ptr()));
    });
  }
  raiseIfNotStripped(run);
  return py::reinterpret_steal<py::bytes>(output.release());
}

std::vector<TSegment> check(const py::object& data, const py::kwargs& keywords) {
  const velmora_options options = optionsOf(keywords);
  const TBytesView view(data);
  velmora_library::TRunResult run;
  {
    const py::gil_scoped_release released;
    run = velmora_library::StripBuffer(view.Data(), view.Size(), options, false, nullptr);
  }
  raiseIfNotStripped(run);
  return segmentsOf(run);
}

TOutcome stripFile(const py::object& path, bool trace, const py::kwargs& keywords) {
  const velmora_options options = optionsOf(keywords);
  const py::object name = py::module_::import("os").attr("fsencode")(path);
  const auto file = name.cast<std::string>();
  velmora_library::TRunResult run;
  {
    const py::gil_scoped_release released;
    run = velmora_library::StripFile(file, options, trace);
  }
  return {velmora_outcome_text(run.outcome),
          run.outcome,
          run.reason,
          segmentsOf(run),
          run.backupName,
          run.trace};
}

}  // namespace

PYBIND11_MODULE(velmora, m) {
  m.doc() = "Strips metadata from JPEG files without touching the pixels.";
  m.attr("__version__") = velmora_version();

  const py::object error = py::reinterpret_steal<py::object>(
      PyErr_NewException("velmora.Error", PyExc_ValueError, nullptr));
  m.attr("Error") = error;
  m.attr("NotJpegError") = py::reinterpret_steal<py::object>(
      PyErr_NewException("velmora.NotJpegError", error.ptr(), nullptr));
  m.attr("DamagedError") = py::reinterpret_steal<py::object>(
      PyErr_NewException("velmora.DamagedError", error.ptr(), nullptr));

  py::class_<TSegment>(m, "Segment")
      .def_readonly("marker", &TSegment::marker)
      .def_readonly("kind", &TSegment::kind)
      .def_readonly("offset", &TSegment::offset)
      .def_readonly("length", &TSegment::length)
      .def("__repr__", [](const TSegment& s) {
        return "Segment(marker=0x" + py::str("{:04X}").format(s.marker).cast<std::string>() +
               ", kind='" + s.kind + "', offset=" + std::to_string(s.offset) +
               ", length=" + std::to_string(s.length) + ")";
      });
  py::class_<TOutcome>(m, "Outcome")
      .def_readonly("outcome", &TOutcome::outcome)
      .def_readonly("code", &TOutcome::code)
      .def_readonly("reason", &TOutcome::reason)
      .def_readonly("removed", &TOutcome::removed)
      .def_readonly("backup", &TOutcome::backup)
      .def_readonly("trace", &TOutcome::trace)
      .def_property_readonly("ok", [](const TOutcome& o) { return o.code <= VELMORA_CLEAN; })
      .def("__repr__", [](const TOutcome& o) {
        return "Outcome('" + o.outcome + "', removed=" + std::to_string(o.removed.size()) + ")";
      });

  m.def("strip", &strip, py::arg("data"),
        "The stripped bytes of a JPEG held in any bytes-like object.\n"
        "Raises NotJpegError or DamagedError when it cannot be stripped.");
  m.def("check", &check, py::arg("data"),
        "The segments strip() would remove, as a list of Segment.");
  m.def("strip_file", &stripFile, py::arg("path"), py::kw_only(), py::arg("trace") = false,
        "Strips the file in place with a crash-safe replace; returns an Outcome.");
}
