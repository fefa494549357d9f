// The C API over the library's run: arguments checked, options of any known
// size read, every exception turned into a code.
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "library/Run.h"
#include "velmora/velmora.h"

struct velmora_result {
  velmora_library::TRunResult run;
  std::vector<uint8_t> output;            // buffer runs
  std::vector<velmora_segment> segments;  // kinds point into run.removed
};

namespace {

using velmora_library::TRunResult;

// The caller's options over the defaults: a caller built against an older,
// shorter struct leaves the newer fields at their defaults.
bool readOptions(const velmora_options* given, velmora_options& options) {
  velmora_options_init(&options);
  if (given == nullptr) return true;
  if (given->size < offsetof(velmora_options, keep_orientation) || given->size > sizeof options)
    return false;
  std::memcpy(&options, given, given->size);
  options.size = sizeof options;
  return true;
}

// Runs `body`, which returns a code; an exception becomes one.
template <typename TBody>
int guarded(TBody&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return VELMORA_ENOMEM;
  } catch (...) {
    return VELMORA_EINTERNAL;
  }
}

int codeOf(const TRunResult& run) {
  return run.outcome == VELMORA_WRITTEN || run.outcome == VELMORA_CLEAN ? VELMORA_OK : run.outcome;
}

// Moves the run into a result of its own for the caller.
int keep(std::unique_ptr<velmora_result> kept, velmora_result** result) {
  kept->segments.reserve(kept->run.removed.size());
  for (const velmora_library::TRemoved& removed : kept->run.removed)
    kept->segments.push_back(
        {removed.marker, removed.kind.c_str(), removed.offset, removed.length});
  const int code = codeOf(kept->run);
  *result = kept.release();
  return code;
}

}  // namespace

extern "C" {

const char* velmora_version(void) { return velmora_library::VersionText(); }

void velmora_options_init(velmora_options* o) {
  if (o == nullptr) return;
  *o = velmora_options{};
  o->size = sizeof *o;
  velmora_library::DefaultOptions(*o);
}

int velmora_strip_buffer(const uint8_t* in, size_t size, const velmora_options* o, uint8_t** out,
                         size_t* out_size) {
  return guarded([&] {
    if (out == nullptr || out_size == nullptr || (in == nullptr && size > 0)) return VELMORA_EINVAL;
    *out = nullptr;
    *out_size = 0;
    velmora_options options;
    if (!readOptions(o, options)) return VELMORA_EINVAL;
    // malloc, so that velmora_free is plain free whatever the caller's language.
    std::unique_ptr<uint8_t, decltype(&std::free)> bytes(nullptr, &std::free);
    size_t bytesSize = 0;
    const TRunResult run = velmora_library::StripBuffer(in, size, options, false, [&](size_t want) {
      bytes.reset(static_cast<uint8_t*>(std::malloc(want == 0 ? 1 : want)));
      if (!bytes) throw std::bad_alloc();
      bytesSize = want;
      return bytes.get();
    });
    if (codeOf(run) != VELMORA_OK) return codeOf(run);
    *out = bytes.release();
    *out_size = bytesSize;
    return VELMORA_OK;
  });
}

int velmora_strip_file(const char* path, const velmora_options* o) {
  return guarded([&] {
    velmora_options options;
    if (path == nullptr || !readOptions(o, options)) return VELMORA_EINVAL;
    return codeOf(velmora_library::StripFile(path, options, false));
  });
}

int velmora_strip_buffer_ex(const uint8_t* in, size_t size, const velmora_options* o,
                            unsigned flags, velmora_result** result) {
  return guarded([&] {
    if (result == nullptr) return VELMORA_EINVAL;
    *result = nullptr;
    velmora_options options;
    if ((in == nullptr && size > 0) || !readOptions(o, options)) return VELMORA_EINVAL;
    auto kept = std::make_unique<velmora_result>();
    kept->run = velmora_library::StripBuffer(in, size, options, (flags & VELMORA_WANT_TRACE) != 0,
                                             [&](size_t want) {
                                               kept->output.resize(want);
                                               return kept->output.data();
                                             });
    return keep(std::move(kept), result);
  });
}

int velmora_strip_file_ex(const char* path, const velmora_options* o, unsigned flags,
                          velmora_result** result) {
  return guarded([&] {
    if (result == nullptr) return VELMORA_EINVAL;
    *result = nullptr;
    velmora_options options;
    if (path == nullptr || !readOptions(o, options)) return VELMORA_EINVAL;
    auto kept = std::make_unique<velmora_result>();
    kept->run = velmora_library::StripFile(path, options, (flags & VELMORA_WANT_TRACE) != 0);
    return keep(std::move(kept), result);
  });
}

velmora_outcome velmora_result_outcome(const velmora_result* r) {
  return r != nullptr ? r->run.outcome : VELMORA_ERROR;
}

const char* velmora_result_reason(const velmora_result* r) {
  return r != nullptr ? r->run.reason.c_str() : "";
}

size_t velmora_result_removed_count(const velmora_result* r) {
  return r != nullptr ? r->segments.size() : 0;
}

const velmora_segment* velmora_result_removed(const velmora_result* r, size_t i) {
  return r != nullptr && i < r->segments.size() ? &r->segments[i] : nullptr;
}

size_t velmora_result_trace_count(const velmora_result* r) {
  return r != nullptr ? r->run.trace.size() : 0;
}

const char* velmora_result_trace_line(const velmora_result* r, size_t i) {
  return r != nullptr && i < r->run.trace.size() ? r->run.trace[i].c_str() : nullptr;
}

const char* velmora_result_backup_name(const velmora_result* r) {
  return r != nullptr ? r->run.backupName.c_str() : "";
}

const uint8_t* velmora_result_output(const velmora_result* r, size_t* size) {
  if (size != nullptr) *size = 0;
  if (r == nullptr || !r->run.hasOutput) return nullptr;
  if (size != nullptr) *size = r->output.size();
  // Never NULL for an empty output that may be written.
  static const uint8_t kNothing = 0;
  return r->output.empty() ? &kNothing : r->output.data();
}

void velmora_result_free(velmora_result* r) { delete r; }

void velmora_free(void* p) { std::free(p); }

const char* velmora_outcome_text(int code) {
  switch (code) {
    case VELMORA_WRITTEN:
      return "written";
    case VELMORA_CLEAN:
      return "clean";
    case VELMORA_NOT_JPEG:
      return "not a JPEG";
    case VELMORA_DAMAGED:
      return "damaged";
    case VELMORA_NOT_LOADED:
      return "not loaded";
    case VELMORA_TOO_LARGE:
      return "too large";
    case VELMORA_BACKUP_FAILED:
      return "backup failed";
    case VELMORA_CHANGED:
      return "changed since it was read";
    case VELMORA_ERROR:
      return "error";
    case VELMORA_EINVAL:
      return "invalid argument";
    case VELMORA_ENOMEM:
      return "out of memory";
    default:
      return "internal error";
  }
}

}  // extern "C"
