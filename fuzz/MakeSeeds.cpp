// Writes the seed corpus of the fuzz target into the folder named as the only
// argument. Each file is one FLAG byte followed by the input bytes.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "JpegBuilder.h"
#include "JpegDecode.h"

using velmora::test::ExifBuilder;
using velmora::test::ExifWithOrientation;
using velmora::test::JpegBuilder;

namespace {

void Save(const std::string& folder, const char* name, uint8_t flag,
          const std::vector<uint8_t>& bytes) {
  std::ofstream file(folder + "/" + name, std::ios::binary);
  file.put(static_cast<char>(flag));
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// An APP2 body: "ICC_PROFILE\0", chunk number and count, some profile bytes.
std::vector<uint8_t> IccChunk(uint8_t number, uint8_t count) {
  std::vector<uint8_t> body = {'I', 'C', 'C', '_', 'P', 'R',    'O',
                               'F', 'I', 'L', 'E', 0,   number, count};
  for (int i = 0; i < 24; ++i) body.push_back(static_cast<uint8_t>(number * 31 + i));
  return body;
}

JpegBuilder Photo() { return JpegBuilder().SOI().APP0().APP1(60).DQT().SOF0().DHT().SOS(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 1;
  }
  const std::string dir = argv[1];
  Save(dir, "photo-defaults", 42, Photo().Data(200).EOI().Build());
  Save(dir, "photo-second-image", 63,
       Photo().Data(120).EOI().SOI().APP1(30).APP(2, 20).DQT().SOF0().SOS().Data(60).EOI().Build());
  Save(dir, "own-app0-jfxx", 1 | 16,
       JpegBuilder().SOI().APP0().APP(0, 12).DQT().SOS().Data(40).EOI().Build());
  Save(dir, "fill-bytes", 2,
       JpegBuilder().SOI().Bytes({0xFF, 0xFF}).DQT().Bytes({0xFF, 0xFF, 0xFF}).DHT().Build());
  Save(dir, "eoi-parity", 2,
       JpegBuilder()
           .SOI()
           .SOS()
           .Data(30)
           .Bytes({0x12, 0xFF, 0xFF, 0xD9, 0xFF, 0xFF, 0xFF, 0xD9, 0, 0})
           .Build());
  Save(dir, "app-zoo", 32 | 8,
       JpegBuilder()
           .SOI()
           .APP(14, 12)
           .APP(12, 8)
           .APP(13, 8)
           .COM("hello")
           .APP(3, 4)
           .APP(15, 4)
           .DRI()
           .SOF(0xFFC2)
           .SOS()
           .Data(20)
           .EOI()
           .Build());
  Save(dir, "zero-length", 8, JpegBuilder().SOI().SegmentWithLength(0xFFDB, 0, 0).Data(20).Build());
  Save(dir, "skip-past-end", 0,
       JpegBuilder().SOI().DQT().SegmentWithLength(0xFFE1, 900, 10).Build());
  Save(dir, "copy-past-end", 0, JpegBuilder().SOI().SegmentWithLength(0xFFDB, 70, 10).Build());
  Save(dir, "cut-length", 2, JpegBuilder().SOI().DQT().Bytes({0xFF, 0xDB, 0x00}).Build());
  Save(dir, "png", 4, {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A});
  Save(dir, "eoi-one-before-end", 2,
       JpegBuilder().SOI().SOS().Data(16).EOI().Bytes({0x00}).Build());
  Save(dir, "progressive", 42,
       JpegBuilder()
           .SOI()
           .DQT()
           .SOF(0xFFC2)
           .DHT()
           .SOS()
           .Data(40)
           .DHT()
           .APP1(10)
           .SOS()
           .Data(40)
           .EOI()
           .Build());
  Save(dir, "empty", 0, {});
  Save(dir, "exif-orientation-be", 64 | 42,
       JpegBuilder()
           .SOI()
           .APP0()
           .Segment(0xFFE1, ExifWithOrientation(true, 6))
           .DQT()
           .SOF0()
           .SOS()
           .Data(40)
           .EOI()
           .Build());
  Save(dir, "exif-orientation-own-app0", 64 | 16 | 1,
       JpegBuilder()
           .SOI()
           .APP0()
           .APP(0, 12)
           .APP1(20)
           .Segment(0xFFE1, ExifWithOrientation(false, 8))
           .DQT()
           .SOS()
           .Data(20)
           .Build());
  Save(dir, "exif-ifd-loop", 64,
       JpegBuilder()
           .SOI()
           .Segment(0xFFE1, ExifBuilder(false).U16(1).Entry(0x0112, 3, 1, 3).U32(8).Build())
           .DQT()
           .SOS()
           .Data(20)
           .Build());
  {
    // A single LONG for the orientation in IFD0, then eight empty IFDs: nine
    // in the chain, one more than the reader follows.
    ExifBuilder chain(true);
    chain.U16(1).Entry(0x0112, 4, 1, 5).U32(26);
    for (uint32_t next = 32; next <= 32 + 6 * 7; next += 6)
      chain.U16(0).U32(next > 32 + 6 * 6 ? 0 : next);
    Save(dir, "exif-long-chain", 64,
         JpegBuilder().SOI().Segment(0xFFE1, chain.Build()).DQT().SOS().Data(20).Build());
  }
  Save(dir, "icc-chunks", 128 | 2,
       JpegBuilder()
           .SOI()
           .Segment(0xFFE2, IccChunk(1, 2))
           .APP(2, 30)
           .Segment(0xFFE2, IccChunk(2, 2))
           .DQT()
           .SOS()
           .Data(20)
           .EOI()
           .Build());
  Save(dir, "fill-odd", 4 | 42,
       JpegBuilder()
           .SOI()
           .Bytes({0xFF})
           .APP1(20)
           .Bytes({0xFF, 0xFF, 0xFF})
           .DQT()
           .SOS()
           .Data(30)
           .EOI()
           .Build());
  Save(dir, "short-length", 4,
       JpegBuilder().SOI().SegmentWithLength(0xFFE1, 1, 40).DQT().SOS().Data(30).EOI().Build());
  Save(dir, "stray-after-soi", 2,
       JpegBuilder().SOI().Bytes({0x00}).APP1(20).SOS().Data(20).Build());
  Save(dir, "between-scans", 42,
       JpegBuilder()
           .SOI()
           .SOF(0xFFC2)
           .SOS()
           .Data(40)
           .COM("\xFF\xD9")
           .Segment(0xFFDB, std::vector<uint8_t>{0x03, 0xFF, 0xD9, 0x00})
           .Bytes({0xFF, 0xFF})
           .SOS()
           .Data(40)
           .Bytes({0xFF, 0xD0})
           .Data(10)
           .Bytes({0xFF, 0xFF, 0xD9})
           .SOI()
           .APP1(10)
           .EOI()
           .Build());
  {
    // A photo libjpeg decodes, with markers that carry no length in its
    // header: RST0 before an Exif segment, TEM and RST7 before its tables.
    // The check that the written file decodes as the input did starts here.
    std::vector<uint8_t> photo = velmora::test::EncodeJpeg(16, 16, false, 3);
    const auto insert = [&photo](size_t at, const std::vector<uint8_t>& bytes) {
      photo.insert(photo.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
    };
    const size_t tables = 4 + (photo[4] << 8 | photo[5]);  // after the encoder's APP0
    const std::vector<uint8_t> clean = photo;
    insert(tables, {0xFF, 0x01, 0xFF, 0xD7});
    insert(tables, JpegBuilder().APP1(24).Build());
    insert(tables, {0xFF, 0xD0});
    Save(dir, "lengthless-markers", 2 | 8, photo);
    // RST0, two stray bytes a decoder passes over, and an APP1 whose body
    // looks like an APP3 segment. Read with the length 00 06, RST0 takes the
    // APP1's header with it and the walk drops the body as APP3: the output's
    // APP1 then swallows the tables.
    photo = clean;
    insert(tables, {0xFF, 0xD0, 0x00, 0x06, 0xFF, 0xE1, 0x00, 0x0A, 0xFF, 0xE3, 0x00, 0x06, 0xAA,
                    0xBB, 0xCC, 0xDD});
    Save(dir, "lengthless-marker-takes-a-header", 2 | 8, photo);
  }
  return 0;
}
