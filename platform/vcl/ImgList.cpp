#include "platform/vcl/ImgList.h"

#include <algorithm>

namespace vcl {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

[[noreturn]] void BadImage() {
  throw EInvalidOperation("Unable to insert an image");
}

// The 0xRRGGBB part of a plain colour (0x00BBGGRR).
std::uint32_t RgbOf(TColor color) {
  const auto c = static_cast<std::uint32_t>(color);
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

// Draws the pixels of a w x h picture for which `opaque` holds, with its top-left at (x, y):
// through a bitmap whose transparent colour is one the drawn pixels do not use.
template <typename Opaque, typename Colour>
void DrawPicture(TCanvas* canvas, int x, int y, int w, int h, Opaque opaque, Colour colour) {
  std::vector<std::uint32_t> used;
  for (int yy = 0; yy < h; ++yy)
    for (int xx = 0; xx < w; ++xx)
      if (opaque(xx, yy)) used.push_back(colour(xx, yy) & 0xFFFFFFu);
  std::sort(used.begin(), used.end());
  std::uint32_t key = 0xFF00FFu;
  while (std::binary_search(used.begin(), used.end(), key)) key = (key + 0x010203u) & 0xFFFFFFu;
  TBitmap picture;
  picture.SetSize(w, h);
  for (int yy = 0; yy < h; ++yy)
    for (int xx = 0; xx < w; ++xx)
      picture.SetPixel(xx, yy, 0xFF000000u | (opaque(xx, yy) ? colour(xx, yy) : key));
  picture.SetTransparentColor(FromRgb(key));
  picture.SetTransparent(true);
  canvas->Draw(x, y, &picture);
}

}  // namespace

// ---- TChangeLink ---------------------------------------------------------------------

TChangeLink::~TChangeLink() {
  if (sender_) sender_->UnRegisterChanges(this);
}

// ---- TImageList ----------------------------------------------------------------------

VCL_IMPLEMENT_COMPONENT(TImageList, TComponent)

void TImageList::Publish(TPublisher& p) {
  p.Integer("Width", &TImageList::Width, &TImageList::SetWidth);
  p.Integer("Height", &TImageList::Height, &TImageList::SetHeight);
  p.Bool("Masked", &TImageList::Masked, &TImageList::SetMasked);
  p.Integer("BkColor", &TImageList::BkColor, &TImageList::SetBkColor, TypeColor());
  p.Event("OnChange", "TNotifyEvent", &TImageList::OnChange);
}

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

TImageList::~TImageList() {
  for (TChangeLink* link : links_) link->sender_ = nullptr;
}

void TImageList::SetWidth(int width) {
  ResetSize(width, height_);
}
void TImageList::SetHeight(int height) {
  ResetSize(width_, height);
}

void TImageList::ResetSize(int width, int height) {
  if (width < 1 || height < 1) throw EInvalidOperation("Invalid image size");
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  images_.clear();
  Change();
}

void TImageList::SetMasked(bool value) {
  if (value == masked_) return;
  masked_ = value;
  Change();
}

void TImageList::SetBkColor(TColor color) {
  if (color == bkColor_) return;
  bkColor_ = color;
  Change();
}

void TImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid ImageList Index");
}

std::vector<TImageList::Image> TImageList::Split(const TBitmap* image, const TBitmap* mask) const {
  if (!image || image->Empty()) BadImage();
  const int count = std::max(1, image->Width() / width_);
  std::vector<Image> result(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    Image& out = result[static_cast<size_t>(k)];
    out.pixels.assign(static_cast<size_t>(width_ * height_), kWhite);
    if (mask && !mask->Empty()) out.transparent.assign(out.pixels.size(), false);
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const int sx = k * width_ + x;
        const auto i = static_cast<size_t>(y * width_ + x);
        if (sx < image->Width() && y < image->Height()) out.pixels[i] = image->Pixel(sx, y);
        // Any mask pixel that is not black lets the background through.
        if (!out.transparent.empty() && sx < mask->Width() && y < mask->Height())
          out.transparent[i] = (mask->Pixel(sx, y) & 0xFFFFFFu) != 0;
      }
    }
  }
  return result;
}

std::vector<TImageList::Image> TImageList::SplitMasked(const TBitmap* image,
                                                       TColor maskColor) const {
  std::vector<Image> result = Split(image, nullptr);
  if (maskColor == clNone) return result;
  const std::uint32_t key = maskColor == clDefault
                                ? (image->Pixel(0, image->Height() - 1) & 0xFFFFFFu)
                                : RgbOf(maskColor);
  for (Image& img : result) {
    img.transparent.assign(img.pixels.size(), false);
    for (size_t i = 0; i < img.pixels.size(); ++i)
      img.transparent[i] = (img.pixels[i] & 0xFFFFFFu) == key;
  }
  // Padding outside the source bitmap stays opaque white: it was never part of the image.
  return result;
}

void TImageList::InsertImages(int index, std::vector<Image> images) {
  images_.insert(images_.begin() + index, std::make_move_iterator(images.begin()),
                 std::make_move_iterator(images.end()));
  Change();
}

int TImageList::Add(TBitmap* image, TBitmap* mask) {
  const int index = Count();
  InsertImages(index, Split(image, mask));
  return index;
}

int TImageList::AddMasked(TBitmap* image, TColor maskColor) {
  const int index = Count();
  InsertImages(index, SplitMasked(image, maskColor));
  return index;
}

void TImageList::Insert(int index, TBitmap* image, TBitmap* mask) {
  if (index < 0 || index > Count()) throw EInvalidOperation("Invalid ImageList Index");
  InsertImages(index, Split(image, mask));
}

void TImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
  CheckIndex(index);
  std::vector<Image> images = Split(image, mask);
  images_[static_cast<size_t>(index)] = std::move(images.front());
  Change();
}

void TImageList::Delete(int index) {
  if (index == -1) {
    Clear();
    return;
  }
  CheckIndex(index);
  images_.erase(images_.begin() + index);
  Change();
}

void TImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Change();
}

void TImageList::Move(int curIndex, int newIndex) {
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  if (curIndex == newIndex) return;
  Image moved = std::move(images_[static_cast<size_t>(curIndex)]);
  images_.erase(images_.begin() + curIndex);
  images_.insert(images_.begin() + newIndex, std::move(moved));
  Change();
}

bool TImageList::IsTransparent(int index, int x, int y) const {
  CheckIndex(index);
  const Image& img = images_[static_cast<size_t>(index)];
  if (!masked_ || img.transparent.empty() || x < 0 || y < 0 || x >= width_ || y >= height_)
    return false;
  return img.transparent[static_cast<size_t>(y * width_ + x)];
}

void TImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const {
  if (!canvas || index < 0 || index >= Count()) return;
  const Image& img = images_[static_cast<size_t>(index)];
  auto pixel = [&](int xx, int yy) { return img.pixels[static_cast<size_t>(yy * width_ + xx)]; };
  auto opaque = [&](int xx, int yy) { return !IsTransparent(index, xx, yy); };
  if (enabled) {
    DrawPicture(canvas, x, y, width_, height_, opaque, pixel);
    return;
  }
  // Light pixels (white, the button face) drop out of the disabled picture.
  auto dark = [&](int xx, int yy) {
    const std::uint32_t p = pixel(xx, yy);
    return opaque(xx, yy) && ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 0x240;
  };
  const std::uint32_t hi = ToRgb(clBtnHighlight), sh = ToRgb(clBtnShadow);
  DrawPicture(canvas, x + 1, y + 1, width_, height_, dark, [&](int, int) { return hi; });
  DrawPicture(canvas, x, y, width_, height_, dark, [&](int, int) { return sh; });
}

void TImageList::GetBitmap(int index, TBitmap* dest) const {
  CheckIndex(index);
  if (!dest) return;
  dest->SetSize(width_, height_);
  const Image& img = images_[static_cast<size_t>(index)];
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (!IsTransparent(index, x, y))
        dest->SetPixel(x, y, img.pixels[static_cast<size_t>(y * width_ + x)]);
}

void TImageList::GetMask(int index, TBitmap* dest) const {
  CheckIndex(index);
  if (!dest) return;
  dest->SetSize(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      dest->SetPixel(x, y, IsTransparent(index, x, y) ? kWhite : 0xFF000000u);
}

void TImageList::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TImageList*>(source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  if (other == this) return;
  width_ = other->width_;
  height_ = other->height_;
  masked_ = other->masked_;
  bkColor_ = other->bkColor_;
  images_ = other->images_;
  Change();
}

void TImageList::RegisterChanges(TChangeLink* link) {
  if (!link || link->sender_ == this) return;
  if (link->sender_) link->sender_->UnRegisterChanges(link);
  link->sender_ = this;
  links_.push_back(link);
}

void TImageList::UnRegisterChanges(TChangeLink* link) {
  auto it = std::find(links_.begin(), links_.end(), link);
  if (it == links_.end()) return;
  links_.erase(it);
  link->sender_ = nullptr;
}

void TImageList::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && changedInUpdate_) {
    changedInUpdate_ = false;
    Change();
  }
}

void TImageList::Change() {
  if (updateCount_ > 0) {
    changedInUpdate_ = true;
    return;
  }
  // A handler may unregister links: walk a copy, skipping links that have gone.
  std::vector<TChangeLink*> links = links_;
  for (TChangeLink* link : links)
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->OnChange(this);
  OnChange(this);
}

}  // namespace vcl
