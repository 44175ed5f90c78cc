// Image lists: a row of equally sized images (with optional masks) that controls refer to by
// index (tool buttons, tabs, list and tree items).
#pragma once

#include <memory>
#include <vector>

#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"

namespace vcl {

class TImageList;

// A control's link to an image list it shows images from: OnChange runs whenever the list's
// images change. The link unregisters itself when destroyed.
class TChangeLink {
 public:
  TChangeLink() = default;
  ~TChangeLink();
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;

  TImageList* Sender() const { return sender_; }
  TNotifyEvent OnChange;

 private:
  friend class TImageList;
  TImageList* sender_ = nullptr;
};

// Holds copies of the images it is given, each of Width x Height pixels. A bitmap that holds
// several images side by side (a strip N times as wide as the list) adds N images; smaller
// or larger bitmaps are cut or padded to the image size. Indexes out of range raise
// EInvalidOperation "Invalid ImageList Index"; a missing or empty bitmap raises
// EInvalidOperation "Unable to insert an image".
class TImageList : public TComponent {
  VCL_DECLARE_COMPONENT(TImageList)
 public:
  explicit TImageList(TComponent* owner);
  ~TImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Changing the size removes all images (they no longer fit).
  void SetWidth(int width);
  void SetHeight(int height);
  int Count() const { return static_cast<int>(images_.size()); }
  bool Masked() const { return masked_; }
  void SetMasked(bool value);
  TColor BkColor() const { return bkColor_; }
  void SetBkColor(TColor color);

  // Adds the image (and its mask: white mask pixels are transparent, black ones opaque);
  // returns the index of the first image added.
  int Add(TBitmap* image, TBitmap* mask);
  // Adds the image with a mask made from `maskColor`: its pixels become transparent.
  // clDefault takes the colour of the bottom-left pixel.
  int AddMasked(TBitmap* image, TColor maskColor);
  // Inserts the image before `index` (Count appends).
  void Insert(int index, TBitmap* image, TBitmap* mask);
  void Replace(int index, TBitmap* image, TBitmap* mask);
  // Index -1 removes all images.
  void Delete(int index);
  void Clear();
  // Moves the image at `curIndex` to `newIndex`.
  void Move(int curIndex, int newIndex);

  // Draws image `index` into `dest`, which is sized to Width x Height first: opaque pixels
  // are copied, transparent ones keep what `dest` held.
  void GetBitmap(int index, TBitmap* dest) const;
  // The mask of image `index` (white transparent, black opaque; all black without a mask).
  void GetMask(int index, TBitmap* dest) const;
  // True when pixel (x, y) of image `index` is transparent.
  bool IsTransparent(int index, int x, int y) const;
  // Draws image `index` with its top-left at (x, y), leaving its transparent pixels out.
  // Disabled, the image's dark pixels are drawn embossed: in the highlight colour one pixel
  // down and right, then in the shadow colour in place. An index outside the images draws
  // nothing (a control may name an image the list does not hold).
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;

  void Assign(const TPersistent* source) override;

  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  // Image changes between BeginUpdate and EndUpdate are announced once at the end.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  struct Image {
    std::vector<std::uint32_t> pixels;  // Width x Height, 0xAARRGGBB
    std::vector<bool> transparent;      // empty: opaque everywhere
  };
  void CheckIndex(int index) const;
  // Cuts `image` (and `mask`) into images of the list's size.
  std::vector<Image> Split(const TBitmap* image, const TBitmap* mask) const;
  std::vector<Image> SplitMasked(const TBitmap* image, TColor maskColor) const;
  void InsertImages(int index, std::vector<Image> images);
  void ResetSize(int width, int height);

  int width_ = 16;
  int height_ = 16;
  bool masked_ = true;
  TColor bkColor_ = clNone;
  std::vector<Image> images_;
  std::vector<TChangeLink*> links_;
  int updateCount_ = 0;
  bool changedInUpdate_ = false;
};

}  // namespace vcl
