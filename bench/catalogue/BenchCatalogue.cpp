// LoadList and SaveList of a full catalogue on real files, against reading and writing
// the same bytes plainly through the same port: one read; one write, flushed to the disk as
// every save of the launcher is, and closed. Each round times all four, in turns.
//
//   bench_catalogue <folder> [rounds]
//
// Prints one tab-separated result line per measurement for bench/run.sh.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "PosixFileSystem.h"
#include "SampleCatalogue.h"
#include "Stats.h"
#include "launcher/CatalogueFile.h"
#include "launcher/CatalogueModel.h"

namespace carrydeck::bench {
namespace {

class CountingMessages : public IMessages {
 public:
  int shown = 0;
  int MsgBox(const std::string& text, int, const std::string&) override {
    std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
    ++shown;
    return mb::IdOk;
  }
};

// As many fields a record as the launcher's list has columns.
constexpr int kColumns = 4;

bool Fail(const char* what) {
  std::fprintf(stderr, "bench_catalogue: %s\n", what);
  return false;
}

bool Run(const std::string& folder, int rounds) {
  PosixFileSystem fs;
  CountingMessages messages;
  const std::string data = folder + "/Data.dat";
  const std::string plain = folder + "/Plain.dat";
  const std::vector<CatalogEntry> expected = SampleCatalogue(kMaxEntries);
  const std::string bytes = SampleDataFile(kMaxEntries);

  auto plainWrite = [&](const std::string& path) {
    std::unique_ptr<IWriteFile> out = fs.CreateForWrite(path);
    return out && out->Write(bytes) && out->Flush() && out->Close();
  };
  if (!plainWrite(data)) return Fail("cannot write the catalogue");

  std::vector<double> plainRead, load, plainWritten, save, loadRatio, saveRatio;
  // Round 0 warms the caches and is not counted.
  for (int round = 0; round <= rounds; ++round) {
    std::string read;
    Stopwatch readClock;
    bool readOk = fs.ReadAll(data, read);
    const double readSeconds = readClock.Seconds();
    if (!readOk || read != bytes) return Fail("plain read gave other bytes");

    CatalogueModel catalogue;
    Stopwatch loadClock;
    LoadResult loaded = LoadList(data, kColumns, catalogue, fs, messages);
    const double loadSeconds = loadClock.Seconds();
    if (loaded.count != kMaxEntries || catalogue.Count() != kMaxEntries) return Fail("LoadList gave another count");
    for (size_t i = 0; i < kMaxEntries; ++i)
      if (!(catalogue.Entry(i) == expected[i])) return Fail("LoadList gave other entries");

    Stopwatch writeClock;
    bool written = plainWrite(plain);
    const double writeSeconds = writeClock.Seconds();
    if (!written) return Fail("plain write failed");

    Stopwatch saveClock;
    bool saved = SaveList(data, kColumns, catalogue, fs, messages).ok();
    const double saveSeconds = saveClock.Seconds();
    std::string after;
    if (!saved || !fs.ReadAll(data, after) || after != bytes) return Fail("SaveList wrote other bytes");

    if (round == 0) continue;
    plainRead.push_back(readSeconds);
    load.push_back(loadSeconds);
    plainWritten.push_back(writeSeconds);
    save.push_back(saveSeconds);
    loadRatio.push_back(loadSeconds / readSeconds);
    saveRatio.push_back(saveSeconds / writeSeconds);
  }
  fs.Delete(plain);
  if (messages.shown) return Fail("a message box was shown");

  std::printf("result\tloadlist\t%.6f\t%.6f\ts\t%d\t%.3f\n", Median(load), Median(plainRead), rounds,
              Median(loadRatio));
  std::printf("result\tsavelist\t%.6f\t%.6f\ts\t%d\t%.3f\n", Median(save), Median(plainWritten), rounds,
              Median(saveRatio));
  std::fprintf(stderr, "catalogue of %zu entries, %zu bytes\n", kMaxEntries, bytes.size());
  return true;
}

}  // namespace
}  // namespace carrydeck::bench

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_catalogue <folder> [rounds]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
  return carrydeck::bench::Run(argv[1], rounds > 0 ? rounds : 15) ? 0 : 1;
}
