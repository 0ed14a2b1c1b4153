#include "imaging/jpeg_codec.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

// jpeglib.h needs size_t and FILE declared before it, jerror.h needs jpeglib.h.
#include <jpeglib.h>
#include <jerror.h>
#include <turbojpeg.h>

#include "platform/atomic_file.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/unique_fd.h"

namespace albumsmith {

namespace {

constexpr TextId kCannotOpenFile = TextId::kCannotOpenImageFile;

std::atomic<uint64_t> gDecodeCount{0};

// What one decode works on: a header claiming more is refused before the
// library allocates anything for it (a 128 KB file can claim 65000 × 65000).
constexpr uint32_t kMaxSide = 30000;
constexpr uint64_t kMaxPixels = 250'000'000;
constexpr std::string_view kTooLarge =
    "%s is not processed: the picture is %d x %d pixels, more than the %d pixels a side or %d megapixels this "
    "program handles";

// A progressive file is decoded through a buffer holding all its DCT
// coefficients, 2 bytes a sample, whatever the output scale: some 72 MB for a
// 24 MP photo. Such decodes take turns once together they would pass this
// budget; one larger than it runs alone. Files decoded row by row need no turn.
constexpr uint64_t kCoefficientBudget = 48ull << 20;

class CoefficientBudget {
 public:
  void Acquire(uint64_t bytes) {
    if (bytes == 0) return;
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [&] { return inUse_ == 0 || inUse_ + bytes <= kCoefficientBudget; });
    inUse_ += bytes;
  }
  void Release(uint64_t bytes) {
    if (bytes == 0) return;
    {
      std::lock_guard lock(mutex_);
      inUse_ -= bytes;
    }
    freed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable freed_;
  uint64_t inUse_ = 0;
};

CoefficientBudget& Budget() {
  static CoefficientBudget budget;
  return budget;
}

class PrompterNotices : public ImagingNotices {
 public:
  void Exclamation(const std::string& text) override {
    ShowMessageText({Icon::Exclamation, Buttons::Ok}, "%s", {text});
  }
};

// libjpeg reports a fatal error by calling error_exit, which must not
// return; we jump back to the recovery point of the operation in progress.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf recovery;
};

[[noreturn]] void JumpToRecovery(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->recovery, 1);
}

void OnLibraryMessage(j_common_ptr cinfo, int level) {
  // A file that ends before its image data does decodes with grey in place of
  // the missing rows. Made into a medium image it would look up to date and
  // never be made again once the file is complete (a copy still in progress,
  // say), so it counts as a failure. Other warnings, such as stray bytes
  // between markers that many cameras write, are harmless and kept quiet.
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) JumpToRecovery(cinfo);
}

void InstallErrorManager(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = JumpToRecovery;
  err.pub.emit_message = OnLibraryMessage;
}

enum class ScaleRule { Full, Reduce, AtLeast };

struct DecodeRequest {
  ScaleRule rule = ScaleRule::Full;
  const DecodeNeedFn* need = nullptr;
};

// What a decode leaves for its caller. Kept outside the function that sets
// the recovery point, so that a longjmp never skips a destructor.
struct DecodeState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  std::unique_ptr<JSAMPLE[]> cmykRows;  // CMYK output before it becomes RGB
  int32_t fileWidth = 0;
  int32_t fileHeight = 0;
  bool tooLarge = false;
  uint64_t budgetTaken = 0;  // to give back to Budget() once the decode is over
};

// The coefficient buffer the library will allocate for the whole picture:
// every component's blocks, rounded up to whole rows of MCUs.
uint64_t CoefficientBytes(const jpeg_decompress_struct& cinfo) {
  if (!cinfo.progressive_mode && !cinfo.buffered_image) return 0;
  uint64_t bytes = 0;
  for (int i = 0; i < cinfo.num_components; ++i) {
    const jpeg_component_info& c = cinfo.comp_info[i];
    const uint64_t h = static_cast<uint64_t>(c.h_samp_factor);
    const uint64_t v = static_cast<uint64_t>(c.v_samp_factor);
    const uint64_t across = (c.width_in_blocks + h - 1) / h * h;
    const uint64_t down = (c.height_in_blocks + v - 1) / v * v;
    bytes += across * down * sizeof(JBLOCK);
  }
  return bytes;
}

// The largest of 8, 4, 2 that still leaves one side above 100 pixels, else 1.
unsigned ReduceDenominator(JDIMENSION width, JDIMENSION height) {
  unsigned d = 8;
  while (d > 1) {
    if (width / d > 100 || height / d > 100) break;
    d /= 2;
  }
  return d;
}

unsigned ScaledSide(JDIMENSION side, unsigned numerator) {
  return static_cast<unsigned>((static_cast<uint64_t>(side) * numerator + 7) / 8);
}

// The smallest M/8 whose output covers what the caller needs; a picture too
// small even at full scale is decoded at full scale.
unsigned AtLeastNumerator(JDIMENSION width, JDIMENSION height, const DecodeNeed& need) {
  for (unsigned m = 1; m < 8; ++m) {
    if (static_cast<int64_t>(ScaledSide(width, m)) >= need.minWidth &&
        static_cast<int64_t>(ScaledSide(height, m)) >= need.minHeight)
      return m;
  }
  return 8;
}

// Adobe's CMYK files (and YCCK, which the library turns into that CMYK) store
// every ink inverted; the APP14 marker tells them from plain CMYK.
void CmykToRgb(const JSAMPLE* cmyk, uint8_t* rgb, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
    for (int c = 0; c < 3; ++c) {
      const unsigned ink = inverted ? cmyk[c] : 255u - cmyk[c];
      rgb[c] = static_cast<uint8_t>((ink * k + 127) / 255);
    }
  }
}

// Only trivially destructible locals from here on: the library may longjmp
// back into this function at any call.
bool DecodeFile(std::FILE* file, ImageBuffer& image, const DecodeRequest& request, DecodeState& s) {
  jpeg_decompress_struct& cinfo = s.cinfo;
  cinfo.err = &s.err.pub;
  InstallErrorManager(s.err);
  if (setjmp(s.err.recovery)) {
    jpeg_destroy_decompress(&cinfo);
    image.Reset();
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  s.fileWidth = static_cast<int32_t>(cinfo.image_width);
  s.fileHeight = static_cast<int32_t>(cinfo.image_height);
  if (cinfo.image_width > kMaxSide || cinfo.image_height > kMaxSide ||
      static_cast<uint64_t>(cinfo.image_width) * cinfo.image_height > kMaxPixels) {
    s.tooLarge = true;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (cmyk)
    cinfo.out_color_space = JCS_CMYK;
  else if (cinfo.jpeg_color_space == JCS_GRAYSCALE)
    cinfo.out_color_space = JCS_GRAYSCALE;
  else
    cinfo.out_color_space = JCS_RGB;

  cinfo.scale_num = 1;
  cinfo.scale_denom = 1;
  if (request.rule == ScaleRule::Reduce) {
    cinfo.scale_denom = ReduceDenominator(cinfo.image_width, cinfo.image_height);
  } else if (request.rule == ScaleRule::AtLeast) {
    const DecodeNeed need = (*request.need)(s.fileWidth, s.fileHeight);
    cinfo.scale_num = AtLeastNumerator(cinfo.image_width, cinfo.image_height, need);
    cinfo.scale_denom = 8;
  }

  // The library's own limit: should its buffers ever need more than the
  // picture's coefficients and a margin, the decode fails instead of growing.
  const uint64_t coefficients = CoefficientBytes(cinfo);
  cinfo.mem->max_memory_to_use = static_cast<long>(coefficients + (64ull << 20));
  Budget().Acquire(coefficients);
  s.budgetTaken = coefficients;
  jpeg_start_decompress(&cinfo);
  const int32_t components = cmyk ? 3 : cinfo.output_components;
  const int32_t width = static_cast<int32_t>(cinfo.output_width);
  const int32_t height = static_cast<int32_t>(cinfo.output_height);
  if ((components != 1 && components != 3) || !image.Allocate(width, height, components)) {
    jpeg_destroy_decompress(&cinfo);
    image.Reset();
    return false;
  }

  // Several rows per call: the library hands out a whole row group at once
  // when it is given room for it.
  constexpr JDIMENSION kRowsPerCall = 16;
  JSAMPROW rows[kRowsPerCall];
  const size_t cmykRowBytes = static_cast<size_t>(cinfo.output_width) * 4;
  if (cmyk) {
    s.cmykRows.reset(new (std::nothrow) JSAMPLE[cmykRowBytes * kRowsPerCall]);
    if (!s.cmykRows) {
      jpeg_destroy_decompress(&cinfo);
      image.Reset();
      return false;
    }
  }
  const bool inverted = cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION first = cinfo.output_scanline;
    const JDIMENSION count = std::min(kRowsPerCall, cinfo.output_height - first);
    for (JDIMENSION i = 0; i < count; ++i)
      rows[i] = cmyk ? s.cmykRows.get() + cmykRowBytes * i : image.row(static_cast<int32_t>(first + i));
    const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, count);
    if (cmyk) {
      for (JDIMENSION i = 0; i < got; ++i)
        CmykToRgb(rows[i], image.row(static_cast<int32_t>(first + i)), cinfo.output_width, inverted);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool Decode(const std::string& path, ImageBuffer& image, const DecodeRequest& request, ImagingNotices& notices,
            int32_t* fileWidth = nullptr, int32_t* fileHeight = nullptr) {
  ++gDecodeCount;
  image.Reset();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    notices.Exclamation(FormatString(kCannotOpenFile, {path}));
    return false;
  }
  unsigned char magic[2] = {0, 0};
  if (std::fread(magic, 1, 2, file) != 2 || magic[0] != 0xFF || magic[1] != 0xD8) {
    std::fclose(file);
    return false;
  }
  std::rewind(file);
  auto state = std::make_unique<DecodeState>();
  const bool ok = DecodeFile(file, image, request, *state);
  std::fclose(file);
  Budget().Release(state->budgetTaken);
  if (state->tooLarge)
    notices.Exclamation(
        Fmt(kTooLarge, {path, static_cast<long long>(state->fileWidth), static_cast<long long>(state->fileHeight),
                        static_cast<long long>(kMaxSide), static_cast<long long>(kMaxPixels / 1'000'000)}));
  if (ok && fileWidth) *fileWidth = state->fileWidth;
  if (ok && fileHeight) *fileHeight = state->fileHeight;
  return ok;
}

bool EncodeFile(std::FILE* file, const ImageBuffer& image) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  cinfo.err = &err.pub;
  InstallErrorManager(err);
  if (setjmp(err.recovery)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = image.components();
  cinfo.in_color_space = image.components() == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    // The library does not write through the row pointer; its API is simply
    // not const-correct.
    JSAMPROW row = const_cast<JSAMPROW>(image.row(static_cast<int32_t>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

ImagingNotices& ShowNoticesAtOnce() {
  static PrompterNotices notices;
  return notices;
}

bool IsJpegFile(const std::string& path) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return false;
  unsigned char magic[2] = {0, 0};
  const ssize_t got = ::read(fd.get(), magic, 2);
  return got == 2 && magic[0] == 0xFF && magic[1] == 0xD8;
}

bool LoadJpeg(const std::string& path, ImageBuffer& image, bool reduce, ImagingNotices& notices) {
  return Decode(path, image, {reduce ? ScaleRule::Reduce : ScaleRule::Full, nullptr}, notices);
}

bool LoadJpegScaled(const std::string& path, ImageBuffer& image, const DecodeNeedFn& need, int32_t& fileWidth,
                    int32_t& fileHeight, ImagingNotices& notices) {
  return Decode(path, image, {ScaleRule::AtLeast, &need}, notices, &fileWidth, &fileHeight);
}

bool SaveJpeg(const std::string& path, const ImageBuffer& image, ImagingNotices& notices) {
  if (image.empty() || (image.components() != 1 && image.components() != 3)) return false;
  FileBeside beside(path);
  // The library writes through a stream of its own; closing it leaves the
  // file to FileBeside, which renames it into place.
  UniqueFd copy(beside.fd() >= 0 ? ::fcntl(beside.fd(), F_DUPFD_CLOEXEC, 0) : -1);
  std::FILE* file = copy ? ::fdopen(copy.get(), "wb") : nullptr;
  if (!file) {
    notices.Exclamation(FormatString(kCannotOpenFile, {path}));
    return false;
  }
  copy.Release();  // the stream owns it now
  bool ok = EncodeFile(file, image);
  ok = std::fflush(file) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  return ok && beside.Commit(Flush::kNo).ok();
}

uint64_t JpegDecodeCount() { return gDecodeCount.load(); }

bool TransformJpegData(std::span<const std::uint8_t> jpeg, LosslessOp op, std::vector<std::uint8_t>& out,
                       std::string& error) {
  static_assert(static_cast<int>(LosslessOp::kRotate270) == TJXOP_ROT270 &&
                static_cast<int>(LosslessOp::kTranspose) == TJXOP_TRANSPOSE);
  out.clear();
  if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) {
    error = "not a JPEG file";
    return false;
  }
  tjhandle handle = tjInitTransform();
  if (!handle) {
    error = tjGetErrorStr2(nullptr);
    return false;
  }
  // The coefficients of the whole picture are held at once: a header that
  // claims a giant picture is refused before the library allocates for it.
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (tjDecompressHeader3(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), &width, &height, &subsampling,
                          &colorspace) != 0) {
    const char* text = tjGetErrorStr2(handle);
    error = text && *text ? text : "not a JPEG file";
    tjDestroy(handle);
    return false;
  }
  if (static_cast<uint32_t>(width) > kMaxSide || static_cast<uint32_t>(height) > kMaxSide ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPixels) {
    error = Fmt("the picture is %d x %d pixels, more than this program handles", {width, height});
    tjDestroy(handle);
    return false;
  }
  tjtransform transform{};
  transform.op = static_cast<int>(op);
  // The caller puts back the sections it keeps; none are copied here.
  transform.options = TJXOPT_TRIM | TJXOPT_COPYNONE;
  unsigned char* result = nullptr;
  unsigned long resultSize = 0;
  const int rc = tjTransform(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), 1, &result, &resultSize,
                             &transform, TJFLAG_STOPONWARNING);
  // A file cut short would still give a picture, grey where its last rows
  // are missing; it must not replace the photo, so warnings count as errors.
  const bool ok = rc == 0 && result != nullptr && resultSize > 0;
  if (!ok) {
    const char* text = tjGetErrorStr2(handle);
    error = text && *text ? text : "the transformation failed";
  } else {
    out.assign(result, result + resultSize);
  }
  tjFree(result);
  tjDestroy(handle);
  return ok;
}

}  // namespace albumsmith
