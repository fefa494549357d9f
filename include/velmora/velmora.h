/* Velmora's stripping engine for programs: metadata out of JPEG files, the
 * pixels untouched, at memory speed.
 *
 * C99, no C++ types. Every function is safe from any number of threads at once
 * as long as each works on its own file or buffer: a call shares no state with
 * another. No C++ exception leaves a call; failures come back as codes.
 *
 * Return codes: VELMORA_OK (0) when the call did its work; a positive
 * velmora_outcome when the input could not be stripped (not a JPEG, damaged,
 * ...); a negative code (VELMORA_E*) when the call itself failed. */
#ifndef VELMORA_VELMORA_H
#define VELMORA_VELMORA_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define VELMORA_API
#elif defined(VELMORA_BUILDING_LIBRARY)
#define VELMORA_API __attribute__((visibility("default")))
#else
#define VELMORA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What became of one input. The values are stable. */
typedef enum velmora_outcome {
  VELMORA_WRITTEN = 0,  /* metadata removed: the output (or the file) holds the stripped bytes */
  VELMORA_CLEAN = 1,    /* nothing to remove: the output equals the input, the file is untouched */
  VELMORA_NOT_JPEG = 2, /* does not start with the start-of-image marker */
  VELMORA_DAMAGED = 3,  /* a segment runs past the end or is malformed: nothing written */
  VELMORA_NOT_LOADED = 4,    /* the file could not be read */
  VELMORA_TOO_LARGE = 5,     /* 2 GiB or more */
  VELMORA_BACKUP_FAILED = 6, /* the backup asked for could not be made: the file is untouched */
  VELMORA_CHANGED = 7,       /* the file changed after it was read: not written */
  VELMORA_ERROR = 8          /* the save failed (the reason says why): the file is untouched */
} velmora_outcome;

/* Failures of the call itself. */
#define VELMORA_OK 0
#define VELMORA_EINVAL (-22) /* a null pointer, or options of an unknown size */
#define VELMORA_ENOMEM (-12) /* out of memory */
#define VELMORA_EINTERNAL (-1000)

/* One field per option, 0 or 1. Always start from velmora_options_init:
 * `size` tells the library which fields this caller knows, so that options
 * added later keep their defaults for programs built against this header. */
typedef struct velmora_options {
  size_t size;
  int keep_orientation; /* keep the orientation as a minimal Exif segment */
  int keep_icc;         /* keep the ICC colour profile */
  int cut_after_eoi;    /* cut whatever follows the end-of-image marker */
  int write_jfif;       /* write a fixed JFIF segment in place of the file's own */
  int original_jfif;    /* keep the file's own JFIF segment */
  int write_app14;      /* keep Adobe APP14 segments */
  int write_comment;    /* write a comment segment naming the program */
  int backup;           /* files only: keep a backup copy name_bak.jpg beside the file */
} velmora_options;

/* A removed stretch of the input: a segment from its marker on, or the bytes
 * after the end-of-image marker (marker 0). */
typedef struct velmora_segment {
  uint16_t marker;
  const char *kind; /* "Exif", "XMP", "ICC", ...; valid while the result lives */
  int64_t offset;
  int64_t length;
} velmora_segment;

typedef struct velmora_result velmora_result;

/* Flags for the _ex calls. */
#define VELMORA_WANT_TRACE 1u /* keep the engine's trace lines in the result */

/* The library's version text, e.g. "v0.1.3d". */
VELMORA_API const char *velmora_version(void);

/* The program's defaults, as a fresh settings file has them. */
VELMORA_API void velmora_options_init(velmora_options *o);

/* Strips `size` bytes at `in`. `o` may be NULL (the defaults); `backup` is
 * ignored. On VELMORA_OK, `*out` holds the stripped bytes (the input's bytes
 * when it was already clean), to be freed with velmora_free. Otherwise `*out`
 * is NULL and the return is the outcome or a negative code. */
VELMORA_API int velmora_strip_buffer(const uint8_t *in, size_t size, const velmora_options *o,
                                     uint8_t **out, size_t *out_size);

/* Strips the file at `path` (UTF-8) in place with the program's crash-safe
 * replace: a failure at any moment leaves the file wholly old or wholly new; a
 * file changed by another program since it was read is not written. Returns
 * VELMORA_OK when written or already clean, else the outcome or a negative
 * code. */
VELMORA_API int velmora_strip_file(const char *path, const velmora_options *o);

/* As above, with everything the run found in `*result` (NULL on a negative
 * code), to be freed with velmora_result_free. `flags`: VELMORA_WANT_TRACE.
 * The buffer call keeps the output in the result (velmora_result_output). */
VELMORA_API int velmora_strip_buffer_ex(const uint8_t *in, size_t size, const velmora_options *o,
                                        unsigned flags, velmora_result **result);
VELMORA_API int velmora_strip_file_ex(const char *path, const velmora_options *o, unsigned flags,
                                      velmora_result **result);

VELMORA_API velmora_outcome velmora_result_outcome(const velmora_result *r);
/* Why the input was not written, in English ("" when it was). */
VELMORA_API const char *velmora_result_reason(const velmora_result *r);
VELMORA_API size_t velmora_result_removed_count(const velmora_result *r);
/* The i-th removed segment, in input order; NULL past the end. */
VELMORA_API const velmora_segment *velmora_result_removed(const velmora_result *r, size_t i);
VELMORA_API size_t velmora_result_trace_count(const velmora_result *r);
VELMORA_API const char *velmora_result_trace_line(const velmora_result *r, size_t i);
/* The backup's name when one was asked for and the file was to be written; "" otherwise. */
VELMORA_API const char *velmora_result_backup_name(const velmora_result *r);
/* Buffer calls: the stripped bytes (or the input's, when clean), valid while
 * the result lives; NULL when nothing may be written. */
VELMORA_API const uint8_t *velmora_result_output(const velmora_result *r, size_t *size);
VELMORA_API void velmora_result_free(velmora_result *r);

/* Frees what velmora_strip_buffer returned. NULL is allowed. */
VELMORA_API void velmora_free(void *p);

/* An English name for an outcome or a return code. */
VELMORA_API const char *velmora_outcome_text(int code);

#ifdef __cplusplus
}
#endif

#endif /* VELMORA_VELMORA_H */
