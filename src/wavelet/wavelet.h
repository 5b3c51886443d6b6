#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "sample/huge_page_allocator.h"
#include "sample/sample_data.h"

namespace fendrel {

// The bands of one level as they stood when taken, with what they stand for
// (counted in samples of level 0, as TWavelet counts). The values are shared,
// not copied: the packet writes its later steps into other memory while a
// snapshot holds them, so a view can show them while the packet moves on.
struct TBandsSnapshot {
  // Band i at values + i * length, or, when starts is not empty, at
  // values + starts[i] up to values + starts[i + 1].
  std::shared_ptr<const double[]> values;
  std::size_t length = 0;
  std::vector<std::size_t> starts;
  std::int32_t bandCount = 0;
  std::int32_t level = 0;
  std::int32_t loadedCount = 0;
  std::int64_t rebuiltCount = 0;
  std::int64_t appendedFrom = 0;

  std::span<const double> Band(std::int32_t i) const;
  // All values, band after band.
  std::size_t Total() const;
  // Every band holds `length` values.
  bool Uniform() const { return starts.empty(); }
};

// A Haar wavelet packet: at every step down each band splits into an average
// band and a difference band, so level L holds 2^L bands of one common length.
//
// The bands of a level live side by side in one flat buffer (band i at
// i * length), and a step writes the next level into a second buffer that is
// then swapped in, so moving between levels allocates nothing per band. A band
// becomes a TSampleData of its own only when GetBand hands it out; from then on
// that object is the band, and the next step reads it (appended samples
// included) before it discards it.
class TWavelet {
 public:
  TWavelet();
  TWavelet(const TWavelet&) = delete;
  TWavelet& operator=(const TWavelet&) = delete;
  ~TWavelet();

  // Copies the y values of `series` (or nothing, for nullptr) into band 0 with
  // x = position, and returns to level 0.
  void Load(const TSampleData* series);

  // A packet of its own at the same level with the same bands (lent bands
  // taken back as a step would).
  std::unique_ptr<TWavelet> Clone() const;

  // One step down or up to `level`, written beside the current level: the
  // packet shows no change until CommitStep swaps it in, and a later Load or
  // step drops it. False, with nothing written, when `level` is not one step
  // away within range, or while a band is lent.
  bool PrepareStep(std::int32_t level);
  // Appending a value to every band, written beside the current level as
  // PrepareStep writes a step; false, with nothing written, when some band
  // would get none or a band is lent (AppendToBands then serves).
  bool PrepareAppend(std::span<const double> values);
  // Load, written beside the current level like a step.
  void PrepareLoad(const TSampleData* series);
  void CommitStep();

  // The bands as they stand, or as CommitStep will leave them.
  TBandsSnapshot Snapshot() const;
  TBandsSnapshot PreparedSnapshot() const;

  // Steps down or up until Level() == level; ignored outside 0 .. MaxLevel() - 1.
  void SetLevel(std::int32_t level);
  void Decompose();
  void Reconstruct();

  // Band i of the current level, valid until the next Load or step; nullptr
  // when i is out of range. The caller may read it and append to it.
  TSampleData* GetBand(std::int32_t i);
  // The y values of band i as they stand (appended samples included), read in
  // place without lending the band; valid until the band changes. Empty when
  // i is out of range.
  std::span<const double> BandValues(std::int32_t i) const;
  // Appends values[i] to band i, for every band that has a value: the same as
  // GetBand(i)->Append(count, values[i]) for each, but when every band gets
  // one and none is lent, in one pass over the flat buffer.
  void AppendToBands(std::span<const double> values);

  // What the bands stand for, counted in samples of the rebuilt series
  // (level 0): the count of the last Load; how many samples the bands rebuild
  // to (2^Level times the common length); and the first of those that comes
  // from values appended to the bands (the forecasts) rather than from the
  // loaded series, equal to RebuiltCount() when none does. Bookkeeping only:
  // the values themselves never depend on it.
  std::int32_t LoadedCount() const { return loadedCount_; }
  std::int64_t RebuiltCount() const;
  std::int64_t AppendedFrom() const;

  std::int32_t BandCount() const { return bandCount_; }
  std::int32_t MaxLevel() const { return maxLevel_; }
  std::int32_t Level() const { return level_; }

 private:
  // Storage for doubles that keeps its capacity and is never zero-filled.
  // Reserve hands out fresh memory while a snapshot still shares the old, so
  // that nothing written later shows through a snapshot.
  class Buffer {
   public:
    void Reserve(std::size_t count);
    double* Data() { return data_.get(); }
    const double* Data() const { return data_.get(); }
    std::shared_ptr<const double[]> Shared() const { return data_; }

   private:
    std::shared_ptr<double[]> data_;
    std::size_t capacity_ = 0;
  };

  std::int32_t CommonLength() const;
  // Folds every lent band back into the flat buffer, cut or zero-padded to
  // band 0's length, so that a step can run over plain arrays.
  void TakeBackLentBands();
  void DecomposeStep();
  void ReconstructStep();
  // The two halves of a step: write the next level into spare_; swap it in.
  void DecomposeIntoSpare();
  void ReconstructIntoSpare();
  void SwapInDecomposed();
  void SwapInReconstructed();
  void AppendIntoSpare(std::span<const double> values);
  void LoadIntoSpare(const TSampleData* series);
  void SwapInLoaded();
  void SwapInAppended();
  void DecomposeTwoSteps();
  void ReconstructTwoSteps();

  Buffer current_;
  Buffer spare_;
  std::int32_t length_ = 0;  // samples per band in current_
  std::int32_t bandCount_ = 1;
  std::int32_t level_ = 0;
  std::int32_t maxLevel_ = 0;
  std::int32_t loadedCount_ = 0;
  // In samples of level 0; lent bands that grew are counted when taken back.
  std::int64_t appendedFrom_ = 0;
  // Empty while no band is lent; otherwise one slot per band, filled on demand.
  std::vector<std::unique_ptr<TSampleData>> lent_;
  // What spare_ holds for CommitStep.
  enum class TPrepared : std::int8_t { none, down, up, append, load };
  TPrepared prepared_ = TPrepared::none;
  // The count of the series a load wrote into spare_.
  std::int32_t loading_ = 0;
};

}  // namespace fendrel
