/* A C99 program using the installed library: strips a small JPEG in memory
 * and a copy of it on disk, and checks what the library reports. */
#include <stdio.h>
#include <string.h>
#include <velmora/velmora.h>

static const uint8_t kPhoto[] = {0xFF, 0xD8, /* SOI */
                                 0xFF, 0xE1, 0x00, 0x0A, 'E',  'x',  'i',
                                 'f',  0,    0,    'G',  'P',              /* APP1 Exif */
                                 0xFF, 0xDB, 0x00, 0x04, 0x00, 0x01,       /* DQT */
                                 0xFF, 0xC0, 0x00, 0x05, 0x08, 0x00, 0x01, /* SOF0 */
                                 0xFF, 0xDA, 0x00, 0x03, 0x01, 0x12, 0x34, /* SOS and scan */
                                 0xFF, 0xD9};                              /* EOI */

#define CHECK(condition)                                              \
  do {                                                                \
    if (!(condition)) {                                               \
      fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition); \
      return 1;                                                       \
    }                                                                 \
  } while (0)

int main(int argc, char **argv) {
  velmora_options options;
  uint8_t *out = NULL;
  size_t size = 0;
  velmora_result *result = NULL;
  FILE *file;
  CHECK(argc == 2);
  CHECK(velmora_version()[0] == 'v');
  velmora_options_init(&options);
  options.write_comment = 0;
  CHECK(velmora_strip_buffer(kPhoto, sizeof kPhoto, &options, &out, &size) == VELMORA_OK);
  CHECK(size == sizeof kPhoto - 12);
  CHECK(memcmp(out, kPhoto + 14, 4) == 0 || memcmp(out + 2, kPhoto + 14, 4) == 0);
  velmora_free(out);

  file = fopen(argv[1], "wb");
  CHECK(file != NULL && fwrite(kPhoto, 1, sizeof kPhoto, file) == sizeof kPhoto);
  fclose(file);
  CHECK(velmora_strip_file_ex(argv[1], &options, VELMORA_WANT_TRACE, &result) == VELMORA_OK);
  CHECK(velmora_result_outcome(result) == VELMORA_WRITTEN);
  CHECK(velmora_result_removed_count(result) == 1);
  CHECK(strcmp(velmora_result_removed(result, 0)->kind, "Exif") == 0);
  CHECK(velmora_result_trace_count(result) > 0);
  velmora_result_free(result);
  CHECK(velmora_strip_file(argv[1], &options) == VELMORA_OK); /* now clean */
  CHECK(velmora_strip_buffer((const uint8_t *)"GIF89a", 6, NULL, &out, &size) == VELMORA_NOT_JPEG);
  puts("ok");
  return 0;
}
