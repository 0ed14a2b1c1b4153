// Speed and memory of the derived images, against a floor measured in the
// same run on the same files:
//   - per photo (24 MP and 12 MP): the floor (decode at the chosen DCT scale,
//     encode medium image and thumbnail) against ProcessImage;
//   - a folder of 50 photos of 24 MP through the worker on 1 thread, on 2 and
//     on every core;
//   - the re-check of a folder of 1,000 images that are all up to date.
// Each configuration runs in a child process of its own, so that its peak
// memory (ru_maxrss) is its own and not the generator's or another run's.
//
// Usage: albumsmith_bench [--dir DIR] [--rounds N]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "album/image_worker.h"
#include "floor.h"
#include "imaging/derived_images.h"
#include "imaging/font_renderer.h"
#include "imaging/stamp_file.h"
#include "photo_generator.h"
#include "platform/window_sink.h"

namespace albumsmith::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFolderPhotos = 50;
constexpr int kRecheckImages = 1000;
constexpr int kDistinctPhotos = 4;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::vector<std::string> JpegNames(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".jpg") names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

ImageWorkerJob Job(const fs::path& dir, const std::string& folder) {
  ImageWorkerJob job;
  job.profileDir = (dir / "profile").string() + "/";
  job.folder = folder + "/";
  job.fileNames = JpegNames(dir / "profile/ImageTree" / folder);
  return job;  // default settings: thumbnails of 100, no access security
}

void RemoveDerived(const ImageWorkerJob& job) {
  for (const char* sub : {"albsite/m/", "albsite/s/"}) {
    const fs::path d = fs::path(job.profileDir) / sub / job.folder;
    fs::remove_all(d);
    fs::create_directories(d);
  }
}

class OnePass : public WorkerFeed {
 public:
  explicit OnePass(ImageWorkerJob job) : job_(std::move(job)) {}
  ImageWorkerJob BeginPass() override { return job_; }
  bool RestartRequested() const override { return false; }
  bool Finish() override { return true; }

 private:
  ImageWorkerJob job_;
};

class Complaints : public ImagingNotices {
 public:
  void Exclamation(const std::string& text) override { std::fprintf(stderr, "bench: %s\n", text.c_str()); }
};

// --- the children ----------------------------------------------------------

// Floor and program on the same photos, interleaved (and in turns first) so
// that a busy moment of a shared machine falls on both alike.
int ChildPhotos(const fs::path& dir, const std::string& folder, int rounds) {
  const ImageWorkerJob job = Job(dir, folder);
  const fs::path out = dir / "floor-out";
  fs::create_directories(out);
  struct Prepared {
    ImageBuffer medium, thumbnail;
    int scale = 8;
  };
  std::vector<Prepared> prepared(job.fileNames.size());
  for (size_t i = 0; i < job.fileNames.size(); ++i) {
    const std::string path = job.profileDir + "ImageTree/" + job.folder + job.fileNames[i];
    DecodedPhoto photo;
    if (!photo.Load(path, {.medium = true, .thumbnail = true, .maxThumbSize = 100})) return 1;
    prepared[i].medium = photo.Medium(0);
    prepared[i].thumbnail = photo.Thumbnail(100);
    for (int m = 1; m <= 8; ++m)
      if ((photo.fileSize().width * m + 7) / 8 == photo.picture().width()) {
        prepared[i].scale = m;
        break;
      }
    if (i == 0)
      std::printf("size %dx%d\nscale %d\ndecoded %dx%d\nfile_mb %.1f\n", photo.fileSize().width,
                  photo.fileSize().height, prepared[i].scale, photo.picture().width(), photo.picture().height(),
                  static_cast<double>(fs::file_size(path)) / 1e6);
  }
  Floor floor;
  Complaints complaints;
  std::vector<double> floorMs, programMs, stampedMs;
  // The stamp that costs the most to draw: an external band below the
  // picture, the line averaged with its background.
  StampSettings stamp;
  stamp.tag = 1;
  stamp.external = 1;
  stamp.background = kTransparentBackground;
  stamp.textColor = 15;
  stamp.bgColor = 4;
  for (int round = 0; round < rounds; ++round) {
    for (size_t i = 0; i < job.fileNames.size(); ++i) {
      const std::string path = job.profileDir + "ImageTree/" + job.folder + job.fileNames[i];
      auto runFloor = [&] {
        const Clock::time_point t0 = Clock::now();
        if (!floor.Run(path, prepared[i].scale, prepared[i].medium, prepared[i].thumbnail,
                       (out / "medium.jpg").string(), (out / "thumbnail.jpg").string()))
          std::fprintf(stderr, "bench: floor failed on %s\n", path.c_str());
        floorMs.push_back(Ms(Clock::now() - t0));
      };
      auto runProgram = [&](bool stamped) {
        for (const char* sub : {"albsite/m/", "albsite/s/"}) {
          const std::string base = job.profileDir + sub + job.folder + job.fileNames[i];
          fs::remove(base);
          fs::remove(base + ".html");
        }
        // The stamp file is written as the dialog writes it, outside the time.
        const std::string stampFile = StampFileOf(path);
        if (stamped) {
          TextExtent extent;
          MeasureText(stamp.font, stamp.text, extent);
          if (!WriteStamp(stampFile, stamp, extent.width, extent.height))
            std::fprintf(stderr, "bench: cannot write %s\n", stampFile.c_str());
        }
        const Clock::time_point t0 = Clock::now();
        if (!ProcessImage(job, job.fileNames[i], complaints).complete)
          std::fprintf(stderr, "bench: ProcessImage failed on %s\n", path.c_str());
        (stamped ? stampedMs : programMs).push_back(Ms(Clock::now() - t0));
        fs::remove(stampFile);
      };
      if ((round + static_cast<int>(i)) % 2) {
        runFloor();
        runProgram(false);
        runProgram(true);
      } else {
        runProgram(true);
        runProgram(false);
        runFloor();
      }
    }
  }
  std::printf("floor_ms %.2f\nprogram_ms %.2f\nstamped_ms %.2f\n", Median(floorMs), Median(programMs),
              Median(stampedMs));
  return 0;
}

int ChildFolder(const fs::path& dir, const std::string& folder, int threads) {
  const ImageWorkerJob job = Job(dir, folder);
  RemoveDerived(job);
  OnePass feed(job);
  NullWindowSink sink;
  WorkerOptions options;
  options.threads = threads;
  options.lowPriority = false;
  const Clock::time_point t0 = Clock::now();
  RunWorker(feed, sink, options);
  std::printf("ms %.1f\n", Ms(Clock::now() - t0));
  return 0;
}

int ChildRecheck(const fs::path& dir, const std::string& folder, int threads, int rounds) {
  const ImageWorkerJob job = Job(dir, folder);
  RemoveDerived(job);
  NullWindowSink sink;
  WorkerOptions options;
  options.threads = threads;
  options.lowPriority = false;
  {
    OnePass feed(job);
    RunWorker(feed, sink, options);  // makes everything once
  }
  const uint64_t decodes = JpegDecodeCount();
  std::vector<double> ms;
  for (int round = 0; round < rounds; ++round) {
    OnePass feed(job);
    const Clock::time_point t0 = Clock::now();
    RunWorker(feed, sink, options);
    ms.push_back(Ms(Clock::now() - t0));
  }
  std::printf("ms %.2f\ndecodes %llu\n", Median(ms), static_cast<unsigned long long>(JpegDecodeCount() - decodes));
  return 0;
}

// --- the parent -------------------------------------------------------------

struct ChildResult {
  std::map<std::string, double> values;
  double peakMb = 0;
  double cpuMs = 0;  // user + system time of the child
  bool ok = false;
};

// How much of the last ten seconds some runnable task waited for a core, from
// the kernel's pressure counters. Read before the first measurement it shows
// how busy a shared machine was with other work, and so how far the wall
// times can be trusted (the parallel speed-up first of all).
std::string CpuPressure() {
  std::FILE* f = std::fopen("/proc/pressure/cpu", "r");
  if (!f) return "unknown";
  char line[256] = {};
  const bool read = std::fgets(line, sizeof line, f) != nullptr;
  std::fclose(f);
  const char* avg = read ? std::strstr(line, "avg10=") : nullptr;
  return avg ? std::string(avg + 6, std::strcspn(avg + 6, " ")) + " %" : "unknown";
}

ChildResult RunChild(const std::vector<std::string>& args) {
  ChildResult r;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return r;
  std::fflush(stdout);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    std::vector<char*> argv;
    std::vector<std::string> all = {"albumsmith_bench", "--child"};
    all.insert(all.end(), args.begin(), args.end());
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv("/proc/self/exe", argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  r.peakMb = usage.ru_maxrss / 1024.0;
  r.cpuMs =
      (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find('\n', pos);
    const std::string line = text.substr(pos, end - pos);
    pos = end == std::string::npos ? text.size() : end + 1;
    const size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    const std::string key = line.substr(0, space), value = line.substr(space + 1);
    if (key == "size" || key == "decoded") {
      r.values[key + "_w"] = std::atof(value.c_str());
      r.values[key + "_h"] = std::atof(value.substr(value.find('x') + 1).c_str());
    } else {
      r.values[key] = std::atof(value.c_str());
    }
  }
  return r;
}

bool Prepare(const fs::path& dir) {
  const fs::path gen = dir / "gen";
  fs::create_directories(gen);
  struct Set {
    const char* name;
    int32_t width, height;
  };
  const Set sets[] = {{"photo24", 6000, 4000}, {"photo12", 4000, 3000}, {"small", 320, 240}};
  for (const Set& s : sets) {
    for (int i = 0; i < (std::string(s.name) == "small" ? 1 : kDistinctPhotos); ++i) {
      const fs::path file = gen / (std::string(s.name) + "-" + std::to_string(i) + ".jpg");
      if (fs::exists(file)) continue;
      std::printf("generating %s\n", file.c_str());
      std::fflush(stdout);
      if (!WritePhoto(file.string(), s.width, s.height, static_cast<uint32_t>(i * 7 + s.width))) return false;
    }
  }
  const fs::path tree = dir / "profile";
  fs::remove_all(tree);
  auto fill = [&](const std::string& folder, const std::string& set, int count, int distinct) {
    const fs::path d = tree / "ImageTree" / folder;
    fs::create_directories(d);
    fs::create_directories(tree / "albsite/m" / folder);
    fs::create_directories(tree / "albsite/s" / folder);
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "IMG_%04d.jpg", i + 1);
      fs::copy_file(gen / (set + "-" + std::to_string(i % distinct) + ".jpg"), d / name);
    }
  };
  fill("photos24", "photo24", kDistinctPhotos, kDistinctPhotos);
  fill("photos12", "photo12", kDistinctPhotos, kDistinctPhotos);
  fill("folder50", "photo24", kFolderPhotos, kDistinctPhotos);
  fill("recheck", "small", kRecheckImages, 1);
  return true;
}

int Parent(const fs::path& dir, int rounds) {
  if (!Prepare(dir)) {
    std::fprintf(stderr, "bench: cannot write the test photos in %s\n", dir.c_str());
    return 1;
  }
  const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  std::printf("machine: %d core(s); photos in %s; tasks waiting for a core before the runs: %s of the time\n\n", cores,
              dir.c_str(), CpuPressure().c_str());

  std::printf("per photo                  floor ms  program ms  program/floor  peak MB\n");
  double floor24 = 0;
  ChildResult stamp24;
  for (const char* folder : {"photos24", "photos12"}) {
    const ChildResult r = RunChild({"photos", dir.string(), folder, std::to_string(rounds)});
    if (!r.ok) return 1;
    const double floorMs = r.values.at("floor_ms"), programMs = r.values.at("program_ms");
    if (std::string(folder) == "photos24") {
      floor24 = floorMs;
      stamp24 = r;
    }
    std::printf("%5.0f x %-5.0f (%4.1f MB)  %8.1f  %10.1f  %13.2f  %7.1f   decoded at %.0f/8: %.0f x %.0f\n",
                r.values.at("size_w"), r.values.at("size_h"), r.values.at("file_mb"), floorMs, programMs,
                programMs / floorMs, r.peakMb, r.values.at("scale"), r.values.at("decoded_w"),
                r.values.at("decoded_h"));
  }

  std::printf("\ntext stamp (24 MP, same run)  without ms  with ms  with/without\n");
  {
    const double without = stamp24.values.at("program_ms"), with = stamp24.values.at("stamped_ms");
    std::printf("%-28s  %10.1f  %7.1f  %12.3f   (goal: at most 1.10)\n", "external band, transparent", without, with,
                with / without);
  }

  std::vector<int> threadCounts = {1, 2};
  if (cores > 2) threadCounts.push_back(cores);
  std::map<int, std::vector<double>> folderMs, folderCpu;
  std::map<int, double> folderPeak;
  for (int rep = 0; rep < 3; ++rep) {
    for (int threads : threadCounts) {
      const ChildResult r = RunChild({"folder", dir.string(), "folder50", std::to_string(threads)});
      if (!r.ok) return 1;
      folderMs[threads].push_back(r.values.at("ms"));
      folderCpu[threads].push_back(r.cpuMs);
      folderPeak[threads] = std::max(folderPeak[threads], r.peakMb);
    }
  }
  std::printf("\nfolder of %d photos of 24 MP through the worker (median of 3)\n", kFolderPhotos);
  const double serial = Median(folderMs[1]);
  for (int threads : threadCounts) {
    const double ms = Median(folderMs[threads]);
    std::printf("  %2d thread(s): %8.0f ms  %6.1f ms/photo  serial/parallel %.2f  peak %.1f MB  cpu %.0f ms\n", threads,
                ms, ms / kFolderPhotos, serial / ms, folderPeak[threads], Median(folderCpu[threads]));
  }

  std::printf("\nre-check of %d up-to-date images (nothing to make)\n", kRecheckImages);
  for (int threads : {1, cores}) {
    const ChildResult r = RunChild({"recheck", dir.string(), "recheck", std::to_string(threads), "5"});
    if (!r.ok) return 1;
    std::printf("  %2d thread(s): %7.2f ms  = %.2f x the floor of one 24 MP photo  (%.0f decodes)\n", threads,
                r.values.at("ms"), r.values.at("ms") / floor24, r.values.at("decodes"));
    if (threads == cores) break;
  }
  std::printf("\ntasks waiting for a core in the last 10 s (the runs' own threads included): %s of the time\n",
              CpuPressure().c_str());
  return 0;
}

}  // namespace
}  // namespace albumsmith::bench

int main(int argc, char** argv) {
  using namespace albumsmith::bench;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "--child") {
    if (args.size() >= 5 && args[1] == "photos") return ChildPhotos(args[2], args[3], std::atoi(args[4].c_str()));
    if (args.size() >= 5 && args[1] == "folder") return ChildFolder(args[2], args[3], std::atoi(args[4].c_str()));
    if (args.size() >= 6 && args[1] == "recheck")
      return ChildRecheck(args[2], args[3], std::atoi(args[4].c_str()), std::atoi(args[5].c_str()));
    return 2;
  }
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "albumsmith-bench";
  int rounds = 3;
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    if (args[i] == "--dir")
      dir = args[i + 1];
    else if (args[i] == "--rounds")
      rounds = std::max(1, std::atoi(args[i + 1].c_str()));
  }
  if (args.size() % 2) {
    std::fprintf(stderr, "usage: albumsmith_bench [--dir DIR] [--rounds N]\n");
    return 2;
  }
  return Parent(dir, rounds);
}
