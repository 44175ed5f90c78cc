#include "platform/vcl/Aligrid.h"

namespace vcl {

namespace {

[[noreturn]] void IndexOutOfRange() {
  throw EInvalidGridOperation("Grid index out of range");
}

// Where index `i` goes when the item at `from` moves to `to`.
int MovedIndex(int i, int from, int to) {
  if (i == from) return to;
  if (from < to && i > from && i <= to) return i - 1;
  if (from > to && i >= to && i < from) return i + 1;
  return i;
}

// Re-keys a map by index after a move.
template <typename V>
void RemapKeys(std::map<int, V>& map, int from, int to) {
  std::map<int, V> moved;
  for (auto& [key, value] : map) moved.emplace(MovedIndex(key, from, to), std::move(value));
  map.swap(moved);
}

template <typename V, typename Keep>
void EraseIf(std::map<int, V>& map, Keep keep) {
  for (auto it = map.begin(); it != map.end();)
    it = keep(it->first) ? std::next(it) : map.erase(it);
}

}  // namespace

VCL_IMPLEMENT_COMPONENT(TStringAlignGrid, TStringGrid)

void TStringAlignGrid::Publish(TPublisher& p) {
  p.Enum("Alignment", TypeAlignment(), &TStringAlignGrid::Alignment,
         &TStringAlignGrid::SetAlignment);
  p.Bool("ShowCellHints", &TStringAlignGrid::ShowCellHints, &TStringAlignGrid::SetShowCellHints);
}

TStringAlignGrid::TStringAlignGrid(TComponent* owner) : TStringGrid(owner) {}

TStringAlignGrid::~TStringAlignGrid() = default;

void TStringAlignGrid::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Invalidate();
}

void TStringAlignGrid::CheckCol(int col) const {
  if (col < 0 || col >= ColCount()) IndexOutOfRange();
}

void TStringAlignGrid::CheckRow(int row) const {
  if (row < 0 || row >= RowCount()) IndexOutOfRange();
}

const TStringAlignGrid::Attributes* TStringAlignGrid::CellAttr(int col, int row) const {
  auto it = cells_.find({col, row});
  return it == cells_.end() ? nullptr : &it->second;
}

const TStringAlignGrid::Attributes* TStringAlignGrid::ColAttr(int col) const {
  auto it = cols_.find(col);
  return it == cols_.end() ? nullptr : &it->second;
}

const TStringAlignGrid::Attributes* TStringAlignGrid::RowAttr(int row) const {
  auto it = rows_.find(row);
  return it == rows_.end() ? nullptr : &it->second;
}

void TStringAlignGrid::Prune(int col, int row) {
  auto it = cells_.find({col, row});
  if (it != cells_.end() && it->second.Empty()) cells_.erase(it);
}

void TStringAlignGrid::PruneCol(int col) {
  auto it = cols_.find(col);
  if (it != cols_.end() && it->second.Empty()) cols_.erase(it);
}

void TStringAlignGrid::PruneRow(int row) {
  auto it = rows_.find(row);
  if (it != rows_.end() && it->second.Empty()) rows_.erase(it);
}

std::unique_ptr<TFont> TStringAlignGrid::NewFont(const TFont* source) {
  auto font = std::make_unique<TFont>();
  if (source) font->Assign(source);
  font->OnChange = TNotifyEvent::Lambda([this](TObject*) { Invalidate(); });
  return font;
}

// ---- alignments

std::optional<TAlignment> TStringAlignGrid::AlignCell(int col, int row) const {
  CheckCell(col, row);
  const Attributes* a = CellAttr(col, row);
  return a ? a->alignment : std::nullopt;
}

void TStringAlignGrid::SetAlignCell(int col, int row, TAlignment value) {
  CheckCell(col, row);
  cells_[{col, row}].alignment = value;
  Invalidate();
}

void TStringAlignGrid::ResetAlignCell(int col, int row) {
  CheckCell(col, row);
  if (auto it = cells_.find({col, row}); it != cells_.end()) it->second.alignment.reset();
  Prune(col, row);
  Invalidate();
}

std::optional<TAlignment> TStringAlignGrid::AlignCol(int col) const {
  CheckCol(col);
  const Attributes* a = ColAttr(col);
  return a ? a->alignment : std::nullopt;
}

void TStringAlignGrid::SetAlignCol(int col, TAlignment value) {
  CheckCol(col);
  cols_[col].alignment = value;
  Invalidate();
}

void TStringAlignGrid::ResetAlignCol(int col) {
  CheckCol(col);
  if (auto it = cols_.find(col); it != cols_.end()) it->second.alignment.reset();
  PruneCol(col);
  Invalidate();
}

std::optional<TAlignment> TStringAlignGrid::AlignRow(int row) const {
  CheckRow(row);
  const Attributes* a = RowAttr(row);
  return a ? a->alignment : std::nullopt;
}

void TStringAlignGrid::SetAlignRow(int row, TAlignment value) {
  CheckRow(row);
  rows_[row].alignment = value;
  Invalidate();
}

void TStringAlignGrid::ResetAlignRow(int row) {
  CheckRow(row);
  if (auto it = rows_.find(row); it != rows_.end()) it->second.alignment.reset();
  PruneRow(row);
  Invalidate();
}

TAlignment TStringAlignGrid::GetEffectiveAlignment(int col, int row) const {
  CheckCell(col, row);
  for (const Attributes* a : {CellAttr(col, row), RowAttr(row), ColAttr(col)})
    if (a && a->alignment) return *a->alignment;
  return alignment_;
}

// ---- colours

std::optional<TColor> TStringAlignGrid::CellColor(int col, int row) const {
  CheckCell(col, row);
  const Attributes* a = CellAttr(col, row);
  return a ? a->color : std::nullopt;
}

void TStringAlignGrid::SetCellColor(int col, int row, TColor value) {
  CheckCell(col, row);
  cells_[{col, row}].color = value;
  Invalidate();
}

void TStringAlignGrid::ResetCellColor(int col, int row) {
  CheckCell(col, row);
  if (auto it = cells_.find({col, row}); it != cells_.end()) it->second.color.reset();
  Prune(col, row);
  Invalidate();
}

std::optional<TColor> TStringAlignGrid::ColColor(int col) const {
  CheckCol(col);
  const Attributes* a = ColAttr(col);
  return a ? a->color : std::nullopt;
}

void TStringAlignGrid::SetColColor(int col, TColor value) {
  CheckCol(col);
  cols_[col].color = value;
  Invalidate();
}

void TStringAlignGrid::ResetColColor(int col) {
  CheckCol(col);
  if (auto it = cols_.find(col); it != cols_.end()) it->second.color.reset();
  PruneCol(col);
  Invalidate();
}

std::optional<TColor> TStringAlignGrid::RowColor(int row) const {
  CheckRow(row);
  const Attributes* a = RowAttr(row);
  return a ? a->color : std::nullopt;
}

void TStringAlignGrid::SetRowColor(int row, TColor value) {
  CheckRow(row);
  rows_[row].color = value;
  Invalidate();
}

void TStringAlignGrid::ResetRowColor(int row) {
  CheckRow(row);
  if (auto it = rows_.find(row); it != rows_.end()) it->second.color.reset();
  PruneRow(row);
  Invalidate();
}

TColor TStringAlignGrid::GetEffectiveColor(int col, int row) const {
  CheckCell(col, row);
  for (const Attributes* a : {CellAttr(col, row), RowAttr(row), ColAttr(col)})
    if (a && a->color) return *a->color;
  return col < FixedCols() || row < FixedRows() ? FixedColor() : Color();
}

// ---- fonts

TFont* TStringAlignGrid::CellFont(int col, int row) {
  CheckCell(col, row);
  Attributes& a = cells_[{col, row}];
  if (!a.font) a.font = NewFont(GetEffectiveFont(col, row));
  return a.font.get();
}

void TStringAlignGrid::SetCellFont(int col, int row, const TFont* font) {
  CheckCell(col, row);
  if (!font) return ResetCellFont(col, row);
  cells_[{col, row}].font = NewFont(font);
  Invalidate();
}

void TStringAlignGrid::ResetCellFont(int col, int row) {
  CheckCell(col, row);
  if (auto it = cells_.find({col, row}); it != cells_.end()) it->second.font.reset();
  Prune(col, row);
  Invalidate();
}

bool TStringAlignGrid::HasCellFont(int col, int row) const {
  CheckCell(col, row);
  const Attributes* a = CellAttr(col, row);
  return a && a->font;
}

TFont* TStringAlignGrid::ColFont(int col) {
  CheckCol(col);
  Attributes& a = cols_[col];
  if (!a.font) a.font = NewFont(Font());
  return a.font.get();
}

void TStringAlignGrid::SetColFont(int col, const TFont* font) {
  CheckCol(col);
  if (!font) return ResetColFont(col);
  cols_[col].font = NewFont(font);
  Invalidate();
}

void TStringAlignGrid::ResetColFont(int col) {
  CheckCol(col);
  if (auto it = cols_.find(col); it != cols_.end()) it->second.font.reset();
  PruneCol(col);
  Invalidate();
}

bool TStringAlignGrid::HasColFont(int col) const {
  CheckCol(col);
  const Attributes* a = ColAttr(col);
  return a && a->font;
}

TFont* TStringAlignGrid::RowFont(int row) {
  CheckRow(row);
  Attributes& a = rows_[row];
  if (!a.font) a.font = NewFont(Font());
  return a.font.get();
}

void TStringAlignGrid::SetRowFont(int row, const TFont* font) {
  CheckRow(row);
  if (!font) return ResetRowFont(row);
  rows_[row].font = NewFont(font);
  Invalidate();
}

void TStringAlignGrid::ResetRowFont(int row) {
  CheckRow(row);
  if (auto it = rows_.find(row); it != rows_.end()) it->second.font.reset();
  PruneRow(row);
  Invalidate();
}

bool TStringAlignGrid::HasRowFont(int row) const {
  CheckRow(row);
  const Attributes* a = RowAttr(row);
  return a && a->font;
}

TFont* TStringAlignGrid::GetEffectiveFont(int col, int row) const {
  CheckCell(col, row);
  for (const Attributes* a : {CellAttr(col, row), RowAttr(row), ColAttr(col)})
    if (a && a->font) return a->font.get();
  return Font();
}

// ---- hints

AnsiString TStringAlignGrid::CellHint(int col, int row) const {
  CheckCell(col, row);
  const Attributes* a = CellAttr(col, row);
  return a ? a->hint : AnsiString();
}

void TStringAlignGrid::SetCellHint(int col, int row, const AnsiString& hint) {
  CheckCell(col, row);
  cells_[{col, row}].hint = hint;
  Prune(col, row);
}

AnsiString TStringAlignGrid::ColHint(int col) const {
  CheckCol(col);
  const Attributes* a = ColAttr(col);
  return a ? a->hint : AnsiString();
}

void TStringAlignGrid::SetColHint(int col, const AnsiString& hint) {
  CheckCol(col);
  cols_[col].hint = hint;
  PruneCol(col);
}

AnsiString TStringAlignGrid::RowHint(int row) const {
  CheckRow(row);
  const Attributes* a = RowAttr(row);
  return a ? a->hint : AnsiString();
}

void TStringAlignGrid::SetRowHint(int row, const AnsiString& hint) {
  CheckRow(row);
  rows_[row].hint = hint;
  PruneRow(row);
}

AnsiString TStringAlignGrid::GetEffectiveHint(int col, int row) const {
  CheckCell(col, row);
  for (const Attributes* a : {CellAttr(col, row), RowAttr(row), ColAttr(col)})
    if (a && !a->hint.empty()) return a->hint;
  return Hint();
}

AnsiString TStringAlignGrid::HintAt(int x, int y) const {
  int col = -1, row = -1;
  MouseToCell(x, y, col, row);
  if (!showCellHints_ || col < 0 || row < 0) return Hint();
  return GetEffectiveHint(col, row);
}

// ---- drawing

void TStringAlignGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  if (DefaultDrawing()) {
    TCanvas* canvas = Canvas();
    const bool highlighted = (state & gdSelected) && !(state & gdFixed);
    // The grid chose the text colour for highlighted and disabled cells.
    const TColor chosen = canvas->Font()->GetColor();
    if (!highlighted) {
      canvas->Brush()->SetColor(GetEffectiveColor(col, row));
      canvas->FillRect(rect);
    }
    canvas->Font()->Assign(GetEffectiveFont(col, row));
    if (highlighted || !Enabled()) canvas->Font()->SetColor(chosen);
    unsigned flags = DT_SINGLELINE | DT_NOPREFIX;
    switch (GetEffectiveAlignment(col, row)) {
      case TAlignment::taRightJustify:
        flags |= DT_RIGHT;
        break;
      case TAlignment::taCenter:
        flags |= DT_CENTER;
        break;
      default:
        break;
    }
    TRect text{rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom};
    canvas->DrawText(Cells(col, row), text, flags);
  }
  TDrawGrid::DrawCell(col, row, rect, state);
}

// ---- pick lists and editors

TStrings* TStringAlignGrid::ColumnPickList(int col) {
  CheckCol(col);
  auto& list = pickLists_[col];
  if (!list) list = std::make_unique<TStringList>();
  return list.get();
}

TColumnEditorKind TStringAlignGrid::ColumnEditor(int col) const {
  CheckCol(col);
  auto it = editors_.find(col);
  return it == editors_.end() ? TColumnEditorKind::ceNone : it->second;
}

void TStringAlignGrid::SetColumnEditor(int col, TColumnEditorKind kind) {
  CheckCol(col);
  if (kind == TColumnEditorKind::ceNone)
    editors_.erase(col);
  else
    editors_[col] = kind;
}

// ---- attributes follow their columns and rows

void TStringAlignGrid::ColumnMoved(int fromIndex, int toIndex) {
  std::map<CellKey, Attributes> moved;
  for (auto& [key, value] : cells_)
    moved.emplace(CellKey{MovedIndex(key.first, fromIndex, toIndex), key.second}, std::move(value));
  cells_.swap(moved);
  RemapKeys(cols_, fromIndex, toIndex);
  RemapKeys(pickLists_, fromIndex, toIndex);
  RemapKeys(editors_, fromIndex, toIndex);
  TStringGrid::ColumnMoved(fromIndex, toIndex);
}

void TStringAlignGrid::RowMoved(int fromIndex, int toIndex) {
  std::map<CellKey, Attributes> moved;
  for (auto& [key, value] : cells_)
    moved.emplace(CellKey{key.first, MovedIndex(key.second, fromIndex, toIndex)}, std::move(value));
  cells_.swap(moved);
  RemapKeys(rows_, fromIndex, toIndex);
  TStringGrid::RowMoved(fromIndex, toIndex);
}

void TStringAlignGrid::SizeChanged(int oldColCount, int oldRowCount) {
  const int cols = ColCount(), rows = RowCount();
  for (auto it = cells_.begin(); it != cells_.end();)
    it = it->first.first < cols && it->first.second < rows ? std::next(it) : cells_.erase(it);
  auto colKept = [cols](int c) { return c < cols; };
  EraseIf(cols_, colKept);
  EraseIf(pickLists_, colKept);
  EraseIf(editors_, colKept);
  EraseIf(rows_, [rows](int r) { return r < rows; });
  TStringGrid::SizeChanged(oldColCount, oldRowCount);
}

}  // namespace vcl
