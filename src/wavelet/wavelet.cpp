#include "wavelet/wavelet.h"

#include <algorithm>
#include <utility>

#include "core/parallel.h"

namespace fendrel {

namespace {

std::size_t Size(std::int32_t n) { return static_cast<std::size_t>(n); }

// The integer part of log2 n, by halving; 0 for an empty or one-sample series.
std::int32_t FloorLog2(std::int32_t n) {
  std::int32_t level = 0;
  while (n >= 2) {
    n /= 2;
    ++level;
  }
  return level;
}

// Steps over fewer values run on the calling thread; larger ones are split
// among the workers in blocks of kChunk values.
constexpr std::size_t kParallelValues = std::size_t{1} << 16;
constexpr std::size_t kChunk = std::size_t{1} << 14;

// Calls body(i, c0, c1) so that together the calls cover c = 0 .. m - 1 of
// every band i = 0 .. bands - 1. Every value of a step is worked out on its
// own, so however the calls are split among workers, the bits are the same.
template <typename Body>
void ForEachBandSpan(std::size_t bands, std::size_t m, const Body& body) {
  const std::size_t total = bands * m;
  if (total < kParallelValues) {
    for (std::size_t i = 0; i < bands; ++i) body(i, std::size_t{0}, m);
    return;
  }
  ForEachRange(total, kChunk, [&](std::size_t begin, std::size_t end) {
    for (std::size_t u = begin; u < end;) {
      const std::size_t i = u / m;
      const std::size_t c0 = u % m;
      const std::size_t c1 = std::min(m, c0 + (end - u));
      body(i, c0, c1);
      u += c1 - c0;
    }
  });
}

}  // namespace

void TWavelet::Buffer::Reserve(std::size_t count) {
  if (count <= capacity_ && data_.use_count() <= 1) return;
  // In huge pages: faulting in a level of 16 million values page by small
  // page costs more than the transform.
  data_ = MakeSharedLarge(count);
  capacity_ = count;
}

std::span<const double> TBandsSnapshot::Band(std::int32_t i) const {
  if (i < 0 || i >= bandCount) return {};
  const auto b = static_cast<std::size_t>(i);
  if (starts.empty()) return {values.get() + b * length, length};
  return {values.get() + starts[b], starts[b + 1] - starts[b]};
}

std::size_t TBandsSnapshot::Total() const {
  if (!starts.empty()) return starts.back();
  return static_cast<std::size_t>(std::max(bandCount, 0)) * length;
}

TWavelet::TWavelet() { Load(nullptr); }

TWavelet::~TWavelet() = default;

void TWavelet::Load(const TSampleData* series) {
  // Copy before dropping the lent bands: the series may be one of them.
  LoadIntoSpare(series);
  SwapInLoaded();
}

void TWavelet::PrepareLoad(const TSampleData* series) {
  LoadIntoSpare(series);
  prepared_ = TPrepared::load;
}

void TWavelet::LoadIntoSpare(const TSampleData* series) {
  const std::int32_t n = series != nullptr ? std::max(series->Count(), 0) : 0;
  prepared_ = TPrepared::none;
  loading_ = n;
  spare_.Reserve(Size(n));
  if (n > 0) {
    const double* source = series->YData();
    double* target = spare_.Data();
    ForEachBandSpan(1, Size(n), [&](std::size_t, std::size_t c0, std::size_t c1) {
      std::copy(source + c0, source + c1, target + c0);
    });
  }
}

void TWavelet::SwapInLoaded() {
  const std::int32_t n = loading_;
  std::swap(current_, spare_);
  lent_.clear();
  length_ = n;
  bandCount_ = 1;
  level_ = 0;
  maxLevel_ = FloorLog2(n);
  loadedCount_ = n;
  appendedFrom_ = n;
}

std::int64_t TWavelet::RebuiltCount() const {
  return static_cast<std::int64_t>(std::max(CommonLength(), 0)) << level_;
}

std::int64_t TWavelet::AppendedFrom() const {
  std::int64_t from = appendedFrom_;
  // Lent bands may have grown since they were lent.
  if (CommonLength() > length_) from = std::min(from, std::int64_t{length_} << level_);
  return std::min(from, RebuiltCount());
}

std::unique_ptr<TWavelet> TWavelet::Clone() const {
  auto copy = std::make_unique<TWavelet>();
  const std::size_t n = Size(std::max(CommonLength(), 0));
  const std::size_t bands = Size(bandCount_);
  copy->current_.Reserve(bands * n);
  double* target = copy->current_.Data();
  ForEachBandSpan(bands, n, [&](std::size_t i, std::size_t c0, std::size_t c1) {
    const std::span<const double> band = BandValues(static_cast<std::int32_t>(i));
    const std::size_t kept = std::clamp(band.size(), c0, c1);
    std::copy(band.begin() + static_cast<std::ptrdiff_t>(c0),
              band.begin() + static_cast<std::ptrdiff_t>(kept), target + i * n + c0);
    std::fill(target + i * n + kept, target + i * n + c1, 0.0);
  });
  copy->length_ = static_cast<std::int32_t>(n);
  copy->bandCount_ = bandCount_;
  copy->level_ = level_;
  copy->maxLevel_ = maxLevel_;
  copy->loadedCount_ = loadedCount_;
  copy->appendedFrom_ = AppendedFrom();
  return copy;
}

bool TWavelet::PrepareStep(std::int32_t level) {
  prepared_ = TPrepared::none;
  if (level < 0 || level >= maxLevel_ || !lent_.empty()) return false;
  if (level == level_ + 1) {
    DecomposeIntoSpare();
    prepared_ = TPrepared::down;
  } else if (level == level_ - 1) {
    ReconstructIntoSpare();
    prepared_ = TPrepared::up;
  }
  return prepared_ != TPrepared::none;
}

bool TWavelet::PrepareAppend(std::span<const double> values) {
  prepared_ = TPrepared::none;
  if (values.size() < Size(bandCount_) || !lent_.empty()) return false;
  AppendIntoSpare(values);
  prepared_ = TPrepared::append;
  return true;
}

void TWavelet::CommitStep() {
  switch (std::exchange(prepared_, TPrepared::none)) {
    case TPrepared::down:
      SwapInDecomposed();
      break;
    case TPrepared::up:
      SwapInReconstructed();
      break;
    case TPrepared::append:
      SwapInAppended();
      break;
    case TPrepared::load:
      SwapInLoaded();
      break;
    case TPrepared::none:
      break;
  }
}

TBandsSnapshot TWavelet::Snapshot() const {
  TBandsSnapshot shot;
  shot.bandCount = bandCount_;
  shot.level = level_;
  shot.loadedCount = loadedCount_;
  shot.rebuiltCount = RebuiltCount();
  shot.appendedFrom = AppendedFrom();
  if (lent_.empty()) {
    shot.values = current_.Shared();
    shot.length = Size(length_);
    return shot;
  }
  // Lent bands live apart and may have grown: every band is copied.
  const std::size_t bands = Size(bandCount_);
  shot.starts.assign(bands + 1, 0);
  for (std::size_t i = 0; i < bands; ++i) {
    shot.starts[i + 1] = shot.starts[i] + BandValues(static_cast<std::int32_t>(i)).size();
  }
  const std::shared_ptr<double[]> values = MakeSharedLarge(shot.starts.back());
  for (std::size_t i = 0; i < bands; ++i) {
    const std::span<const double> band = BandValues(static_cast<std::int32_t>(i));
    std::copy(band.begin(), band.end(), values.get() + shot.starts[i]);
  }
  shot.values = values;
  shot.length = bands == 0 ? 0 : shot.starts[1];
  return shot;
}

TBandsSnapshot TWavelet::PreparedSnapshot() const {
  if (prepared_ == TPrepared::none) return Snapshot();
  // As the swap-in will leave the packet; no band is lent while a step or an
  // append is prepared, and a load drops them.
  TBandsSnapshot shot;
  std::int64_t appendedFrom = appendedFrom_;
  shot.values = spare_.Shared();
  shot.loadedCount = loadedCount_;
  shot.level = level_;
  shot.bandCount = bandCount_;
  shot.length = Size(length_);
  if (prepared_ == TPrepared::load) {
    shot.loadedCount = loading_;
    shot.level = 0;
    shot.bandCount = 1;
    shot.length = Size(loading_);
    appendedFrom = loading_;
  } else if (prepared_ == TPrepared::down) {
    ++shot.level;
    shot.bandCount *= 2;
    shot.length /= 2;
  } else if (prepared_ == TPrepared::up) {
    --shot.level;
    shot.bandCount /= 2;
    shot.length *= 2;
  } else {
    appendedFrom = std::min(appendedFrom, std::int64_t{length_} << level_);
    ++shot.length;
  }
  shot.rebuiltCount = static_cast<std::int64_t>(shot.length) << shot.level;
  shot.appendedFrom = std::min(appendedFrom, shot.rebuiltCount);
  return shot;
}

void TWavelet::SetLevel(std::int32_t level) {
  if (level < 0 || level >= maxLevel_ || level == level_) return;
  TakeBackLentBands();
  while (level - level_ >= 2) DecomposeTwoSteps();
  if (level_ < level) DecomposeStep();
  while (level_ - level >= 2) ReconstructTwoSteps();
  if (level_ > level) ReconstructStep();
}

void TWavelet::Decompose() {
  if (level_ >= maxLevel_ - 1) return;
  TakeBackLentBands();
  DecomposeStep();
}

void TWavelet::Reconstruct() {
  if (level_ <= 0) return;
  TakeBackLentBands();
  ReconstructStep();
}

TSampleData* TWavelet::GetBand(std::int32_t i) {
  if (i < 0 || i >= bandCount_) return nullptr;
  if (lent_.empty()) lent_.resize(Size(bandCount_));
  auto& slot = lent_[Size(i)];
  if (!slot) {
    slot = std::make_unique<TSampleData>(length_);
    const double* source = current_.Data() + Size(i) * Size(length_);
    std::copy_n(source, Size(length_), slot->YData());
    double* xs = slot->XData();
    for (std::int32_t c = 0; c < length_; ++c) xs[c] = c;
  }
  return slot.get();
}

std::span<const double> TWavelet::BandValues(std::int32_t i) const {
  if (i < 0 || i >= bandCount_) return {};
  if (!lent_.empty() && lent_[Size(i)]) {
    const TSampleData& band = *lent_[Size(i)];
    return {band.YData(), Size(band.Count())};
  }
  return {current_.Data() + Size(i) * Size(length_), Size(length_)};
}

void TWavelet::AppendToBands(std::span<const double> values) {
  const std::size_t bands = Size(bandCount_);
  const std::size_t count = std::min(values.size(), bands);
  if (count < bands || !lent_.empty()) {
    for (std::size_t i = 0; i < count; ++i) {
      TSampleData& band = *GetBand(static_cast<std::int32_t>(i));
      band.Append(band.Count(), values[i]);
    }
    return;
  }
  AppendIntoSpare(values);
  SwapInAppended();
}

void TWavelet::AppendIntoSpare(std::span<const double> values) {
  const std::size_t bands = Size(bandCount_);
  const std::size_t n = Size(length_);
  prepared_ = TPrepared::none;
  spare_.Reserve(bands * (n + 1));
  ForEachBandSpan(bands, n + 1, [&](std::size_t i, std::size_t c0, std::size_t c1) {
    const double* source = current_.Data() + i * n;
    double* target = spare_.Data() + i * (n + 1);
    const std::size_t kept = std::min(c1, n);
    if (c0 < kept) std::copy(source + c0, source + kept, target + c0);
    if (c1 == n + 1) target[n] = values[i];
  });
}

void TWavelet::SwapInAppended() {
  std::swap(current_, spare_);
  appendedFrom_ = std::min(appendedFrom_, std::int64_t{length_} << level_);
  ++length_;
}

std::int32_t TWavelet::CommonLength() const {
  if (!lent_.empty() && lent_[0]) return lent_[0]->Count();
  return length_;
}

void TWavelet::TakeBackLentBands() {
  if (lent_.empty()) return;
  const std::size_t n = Size(std::max(CommonLength(), 0));
  prepared_ = TPrepared::none;
  spare_.Reserve(Size(bandCount_) * n);
  ForEachBandSpan(Size(bandCount_), n, [&](std::size_t i, std::size_t c0, std::size_t c1) {
    const TSampleData* band = lent_[i].get();
    const double* source = band != nullptr ? band->YData() : current_.Data() + i * Size(length_);
    const std::size_t have = band != nullptr ? Size(std::max(band->Count(), 0)) : Size(length_);
    double* target = spare_.Data() + i * n;
    const std::size_t kept = std::clamp(have, c0, c1);
    std::copy(source + c0, source + kept, target + c0);
    std::fill(target + kept, target + c1, 0.0);
  });
  std::swap(current_, spare_);
  if (n > Size(length_)) appendedFrom_ = std::min(appendedFrom_, std::int64_t{length_} << level_);
  length_ = static_cast<std::int32_t>(n);
  lent_.clear();
  appendedFrom_ = std::min(appendedFrom_, RebuiltCount());
}

void TWavelet::DecomposeIntoSpare() {
  prepared_ = TPrepared::none;
  const std::size_t n = Size(length_);
  const std::size_t m = n / 2;
  const std::size_t bands = Size(bandCount_);
  spare_.Reserve(2 * bands * m);
  ForEachBandSpan(bands, m, [&](std::size_t i, std::size_t c0, std::size_t c1) {
    const double* y = current_.Data() + i * n;
    double* average = spare_.Data() + 2 * i * m;
    double* difference = average + m;
    for (std::size_t c = c0; c < c1; ++c) {
      const double p = y[2 * c];
      const double q = y[2 * c + 1];
      average[c] = (p + q) / 2;
      difference[c] = (p - q) / 2;
    }
  });
}

void TWavelet::SwapInDecomposed() {
  std::swap(current_, spare_);
  length_ /= 2;
  bandCount_ *= 2;
  ++level_;
  // A dropped odd sample takes what it held with it.
  appendedFrom_ = std::min(appendedFrom_, RebuiltCount());
}

void TWavelet::DecomposeStep() {
  DecomposeIntoSpare();
  SwapInDecomposed();
}

void TWavelet::ReconstructIntoSpare() {
  prepared_ = TPrepared::none;
  const std::size_t m = Size(length_);
  const std::size_t bands = Size(bandCount_) / 2;
  spare_.Reserve(bands * 2 * m);
  ForEachBandSpan(bands, m, [&](std::size_t i, std::size_t c0, std::size_t c1) {
    const double* average = current_.Data() + 2 * i * m;
    const double* difference = average + m;
    double* y = spare_.Data() + i * 2 * m;
    for (std::size_t c = c0; c < c1; ++c) {
      const double a = average[c];
      const double d = difference[c];
      y[2 * c] = a + d;
      y[2 * c + 1] = a - d;
    }
  });
}

void TWavelet::SwapInReconstructed() {
  std::swap(current_, spare_);
  length_ *= 2;
  bandCount_ /= 2;
  --level_;
}

void TWavelet::ReconstructStep() {
  ReconstructIntoSpare();
  SwapInReconstructed();
}

// Two levels in one pass over memory. Every value is the same rounded double
// the two single steps store; the intermediate level is simply not written.
void TWavelet::DecomposeTwoSteps() {
  const std::size_t n = Size(length_);
  const std::size_t m = n / 4;
  const std::size_t bands = Size(bandCount_);
  prepared_ = TPrepared::none;
  spare_.Reserve(4 * bands * m);
  ForEachBandSpan(bands, m, [&](std::size_t i, std::size_t c0, std::size_t c1) {
    const double* y = current_.Data() + i * n;
    double* out0 = spare_.Data() + 4 * i * m;
    double* out1 = out0 + m;
    double* out2 = out1 + m;
    double* out3 = out2 + m;
    for (std::size_t c = c0; c < c1; ++c) {
      const double a0 = (y[4 * c] + y[4 * c + 1]) / 2;
      const double d0 = (y[4 * c] - y[4 * c + 1]) / 2;
      const double a1 = (y[4 * c + 2] + y[4 * c + 3]) / 2;
      const double d1 = (y[4 * c + 2] - y[4 * c + 3]) / 2;
      out0[c] = (a0 + a1) / 2;
      out1[c] = (a0 - a1) / 2;
      out2[c] = (d0 + d1) / 2;
      out3[c] = (d0 - d1) / 2;
    }
  });
  std::swap(current_, spare_);
  length_ = static_cast<std::int32_t>(m);
  bandCount_ *= 4;
  level_ += 2;
  appendedFrom_ = std::min(appendedFrom_, RebuiltCount());
}

void TWavelet::ReconstructTwoSteps() {
  const std::size_t m = Size(length_);
  const std::size_t bands = Size(bandCount_) / 4;
  prepared_ = TPrepared::none;
  spare_.Reserve(bands * 4 * m);
  ForEachBandSpan(bands, m, [&](std::size_t i, std::size_t c0, std::size_t c1) {
    const double* in0 = current_.Data() + 4 * i * m;
    const double* in1 = in0 + m;
    const double* in2 = in1 + m;
    const double* in3 = in2 + m;
    double* y = spare_.Data() + i * 4 * m;
    for (std::size_t c = c0; c < c1; ++c) {
      const double a0 = in0[c] + in1[c];
      const double a1 = in0[c] - in1[c];
      const double d0 = in2[c] + in3[c];
      const double d1 = in2[c] - in3[c];
      y[4 * c] = a0 + d0;
      y[4 * c + 1] = a0 - d0;
      y[4 * c + 2] = a1 + d1;
      y[4 * c + 3] = a1 - d1;
    }
  });
  std::swap(current_, spare_);
  length_ = static_cast<std::int32_t>(4 * m);
  bandCount_ /= 4;
  level_ -= 2;
}

}  // namespace fendrel
