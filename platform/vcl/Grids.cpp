#include "platform/vcl/Grids.h"

#include <algorithm>

#include "platform/vcl/GraphUtil.h"

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

template <typename T>
void MoveItem(std::vector<T>& v, int from, int to) {
  T item = std::move(v[static_cast<size_t>(from)]);
  v.erase(v.begin() + from);
  v.insert(v.begin() + to, std::move(item));
}

constexpr int kBorder = 2;  // the sunken border of a bsSingle grid

}  // namespace

const TTypeInfo* TypeGridOptions() {
  static const TTypeInfo* type =
      MakeSetType("TGridOptions",
                  MakeEnumType("TGridOption",
                               {"goFixedVertLine", "goFixedHorzLine", "goVertLine", "goHorzLine",
                                "goRangeSelect", "goDrawFocusSelected", "goRowSizing",
                                "goColSizing", "goRowMoving", "goColMoving", "goEditing", "goTabs",
                                "goRowSelect", "goAlwaysShowEditor", "goThumbTracking"}));
  return type;
}

// ---------------------------------------------------------------------------------------
// TCustomGrid

VCL_IMPLEMENT_COMPONENT(TCustomGrid, TCustomControl)

void TCustomGrid::Publish(TPublisher& p) {
  p.Integer("ColCount", &TCustomGrid::ColCount, &TCustomGrid::SetColCount);
  p.Integer("RowCount", &TCustomGrid::RowCount, &TCustomGrid::SetRowCount);
  p.Integer("FixedCols", &TCustomGrid::FixedCols, &TCustomGrid::SetFixedCols);
  p.Integer("FixedRows", &TCustomGrid::FixedRows, &TCustomGrid::SetFixedRows);
  p.Integer("DefaultColWidth", &TCustomGrid::DefaultColWidth, &TCustomGrid::SetDefaultColWidth);
  p.Integer("DefaultRowHeight", &TCustomGrid::DefaultRowHeight, &TCustomGrid::SetDefaultRowHeight);
  p.Integer("GridLineWidth", &TCustomGrid::GridLineWidth, &TCustomGrid::SetGridLineWidth);
  p.Enum("Options", TypeGridOptions(), &TCustomGrid::Options, &TCustomGrid::SetOptions);
  p.Integer("FixedColor", &TCustomGrid::FixedColor, &TCustomGrid::SetFixedColor, TypeColor());
  p.Bool("DefaultDrawing", &TCustomGrid::DefaultDrawing, &TCustomGrid::SetDefaultDrawing);
  p.Enum("ScrollBars", TypeScrollStyle(), &TCustomGrid::ScrollBars, &TCustomGrid::SetScrollBars);
  p.Enum("BorderStyle", TypeBorderStyle(), &TCustomGrid::BorderStyle, &TCustomGrid::SetBorderStyle);
  p.Event("OnSelectCell", "TSelectCellEvent", &TCustomGrid::OnSelectCell);
  p.Event("OnDrawCell", "TDrawCellEvent", &TCustomGrid::OnDrawCell);
  p.Event("OnGetEditText", "TGetEditEvent", &TCustomGrid::OnGetEditText);
  p.Event("OnSetEditText", "TSetEditEvent", &TCustomGrid::OnSetEditText);
  p.Event("OnTopLeftChanged", "TNotifyEvent", &TCustomGrid::OnTopLeftChanged);
  p.Event("OnColumnMoved", "TMovedEvent", &TCustomGrid::OnColumnMoved);
  p.Event("OnRowMoved", "TMovedEvent", &TCustomGrid::OnRowMoved);
}

TCustomGrid::TCustomGrid(TComponent* owner)
    : TCustomControl(owner),
      colWidths_(5, 64),
      rowHeights_(5, 24),
      options_(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::CheckCell(int col, int row) const {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) IndexOutOfRange();
}

void TCustomGrid::ChangeSize(int colCount, int rowCount) {
  const int oldCols = colCount_, oldRows = rowCount_;
  if (editorMode_ && (editCol_ >= colCount || editRow_ >= rowCount)) editorMode_ = false;
  colCount_ = colCount;
  rowCount_ = rowCount;
  colWidths_.resize(static_cast<size_t>(colCount), defaultColWidth_);
  rowHeights_.resize(static_cast<size_t>(rowCount), defaultRowHeight_);
  col_ = std::min(col_, colCount - 1);
  anchorCol_ = std::min(anchorCol_, colCount - 1);
  row_ = std::min(row_, rowCount - 1);
  anchorRow_ = std::min(anchorRow_, rowCount - 1);
  SizeChanged(oldCols, oldRows);
  NormalizeTopLeft();
  Invalidate();
}

void TCustomGrid::SetColCount(int value) {
  value = std::max(1, value);
  if (value == colCount_) return;
  if (value <= fixedCols_) fixedCols_ = value - 1;
  ChangeSize(value, rowCount_);
}

void TCustomGrid::SetRowCount(int value) {
  value = std::max(1, value);
  if (value == rowCount_) return;
  if (value <= fixedRows_) fixedRows_ = value - 1;
  ChangeSize(colCount_, value);
}

void TCustomGrid::SetFixedCols(int value) {
  if (value < 0) IndexOutOfRange();
  if (value >= colCount_)
    throw EInvalidGridOperation("Fixed column count must be less than column count");
  if (value == fixedCols_) return;
  HideEditor();
  fixedCols_ = value;
  col_ = std::max(col_, value);
  anchorCol_ = std::max(anchorCol_, value);
  leftCol_ = value;
  ClampInView(col_, row_);
  Invalidate();
}

void TCustomGrid::SetFixedRows(int value) {
  if (value < 0) IndexOutOfRange();
  if (value >= rowCount_)
    throw EInvalidGridOperation("Fixed row count must be less than row count");
  if (value == fixedRows_) return;
  HideEditor();
  fixedRows_ = value;
  row_ = std::max(row_, value);
  anchorRow_ = std::max(anchorRow_, value);
  topRow_ = value;
  ClampInView(col_, row_);
  Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int value) {
  value = std::max(0, value);
  defaultColWidth_ = value;
  std::fill(colWidths_.begin(), colWidths_.end(), value);
  NormalizeTopLeft();
  Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
  value = std::max(0, value);
  defaultRowHeight_ = value;
  std::fill(rowHeights_.begin(), rowHeights_.end(), value);
  NormalizeTopLeft();
  Invalidate();
}

void TCustomGrid::SetGridLineWidth(int value) {
  gridLineWidth_ = std::max(0, value);
  NormalizeTopLeft();
  Invalidate();
}

int TCustomGrid::ColWidths(int col) const {
  if (col < 0 || col >= colCount_) IndexOutOfRange();
  return colWidths_[static_cast<size_t>(col)];
}

void TCustomGrid::SetColWidths(int col, int width) {
  if (col < 0 || col >= colCount_) IndexOutOfRange();
  colWidths_[static_cast<size_t>(col)] = std::max(0, width);
  NormalizeTopLeft();
  Invalidate();
}

int TCustomGrid::RowHeights(int row) const {
  if (row < 0 || row >= rowCount_) IndexOutOfRange();
  return rowHeights_[static_cast<size_t>(row)];
}

void TCustomGrid::SetRowHeights(int row, int height) {
  if (row < 0 || row >= rowCount_) IndexOutOfRange();
  rowHeights_[static_cast<size_t>(row)] = std::max(0, height);
  NormalizeTopLeft();
  Invalidate();
}

// ---- current cell and selection

bool TCustomGrid::SelectCell(int col, int row) {
  bool canSelect = true;
  OnSelectCell(this, col, row, canSelect);
  return canSelect;
}

bool TCustomGrid::MoveCurrent(int col, int row, bool moveAnchor) {
  CheckCell(col, row);
  if (col < fixedCols_ || row < fixedRows_) IndexOutOfRange();
  if (col != col_ || row != row_) {
    if (!SelectCell(col, row)) return false;
    HideEditor();
    col_ = col;
    row_ = row;
  }
  if (moveAnchor || !(options_ & goRangeSelect)) {
    anchorCol_ = col;
    anchorRow_ = row;
  }
  ClampInView(col, row);
  Invalidate();
  if ((options_ & goAlwaysShowEditor) && Focused()) ShowEditor();
  return true;
}

void TCustomGrid::FocusCell(int col, int row) {
  if (MoveCurrent(col, row, true)) Click();
}

void TCustomGrid::SetCol(int col) {
  if (col != col_) FocusCell(col, row_);
}

void TCustomGrid::SetRow(int row) {
  if (row != row_) FocusCell(col_, row);
}

TGridRect TCustomGrid::Selection() const {
  TGridRect r{std::min(anchorCol_, col_), std::min(anchorRow_, row_), std::max(anchorCol_, col_),
              std::max(anchorRow_, row_)};
  if (options_ & goRowSelect) {
    r.Left = fixedCols_;
    r.Right = colCount_ - 1;
  }
  return r;
}

void TCustomGrid::SetSelection(const TGridRect& selection) {
  const TGridRect s{
      std::min(selection.Left, selection.Right), std::min(selection.Top, selection.Bottom),
      std::max(selection.Left, selection.Right), std::max(selection.Top, selection.Bottom)};
  CheckCell(s.Left, s.Top);
  CheckCell(s.Right, s.Bottom);
  if (s.Left < fixedCols_ || s.Top < fixedRows_) IndexOutOfRange();
  HideEditor();
  col_ = s.Left;
  row_ = s.Top;
  anchorCol_ = s.Right;
  anchorRow_ = s.Bottom;
  if (!(options_ & goRangeSelect)) {
    anchorCol_ = col_;
    anchorRow_ = row_;
  }
  ClampInView(col_, row_);
  Invalidate();
}

// ---- scrolling and geometry

int TCustomGrid::ColLeft(int col) const {
  if (col < 0 || col >= colCount_) return -1;
  const int limit = ClientWidth();
  int x = 0;
  const int fixedEnd = std::min(col, fixedCols_);
  for (int i = 0; i < fixedEnd; ++i) x += colWidths_[static_cast<size_t>(i)] + gridLineWidth_;
  if (col >= fixedCols_) {
    if (col < leftCol_) return -1;
    for (int i = leftCol_; i < col; ++i) x += colWidths_[static_cast<size_t>(i)] + gridLineWidth_;
  }
  return x < limit ? x : -1;
}

int TCustomGrid::RowTop(int row) const {
  if (row < 0 || row >= rowCount_) return -1;
  const int limit = ClientHeight();
  int y = 0;
  const int fixedEnd = std::min(row, fixedRows_);
  for (int i = 0; i < fixedEnd; ++i) y += rowHeights_[static_cast<size_t>(i)] + gridLineWidth_;
  if (row >= fixedRows_) {
    if (row < topRow_) return -1;
    for (int i = topRow_; i < row; ++i) y += rowHeights_[static_cast<size_t>(i)] + gridLineWidth_;
  }
  return y < limit ? y : -1;
}

TRect TCustomGrid::CellRect(int col, int row) const {
  const int x = ColLeft(col), y = RowTop(row);
  if (x < 0 || y < 0) return {};
  return {x, y, x + colWidths_[static_cast<size_t>(col)],
          y + rowHeights_[static_cast<size_t>(row)]};
}

int TCustomGrid::AxisIndex(int pos, bool columns) const {
  const int limit = columns ? ClientWidth() : ClientHeight();
  if (pos < 0 || pos >= limit) return -1;
  const std::vector<int>& sizes = columns ? colWidths_ : rowHeights_;
  const int count = columns ? colCount_ : rowCount_;
  const int fixed = columns ? fixedCols_ : fixedRows_;
  const int first = columns ? leftCol_ : topRow_;
  // A cell's grid line after it belongs to the cell.
  int edge = 0;
  for (int i = 0; i < fixed; ++i) {
    edge += sizes[static_cast<size_t>(i)] + gridLineWidth_;
    if (pos < edge) return i;
  }
  for (int i = first; i < count && edge < limit; ++i) {
    edge += sizes[static_cast<size_t>(i)] + gridLineWidth_;
    if (pos < edge) return i;
  }
  return -1;
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const {
  col = AxisIndex(x, true);
  row = AxisIndex(y, false);
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
  TGridCoord c;
  MouseToCell(x, y, c.X, c.Y);
  return c;
}

namespace {
// Scrolled items from `first` that fit wholly after `start` pixels within `limit`.
int FittingCount(const std::vector<int>& sizes, int first, int start, int limit, int line) {
  int n = 0;
  int x = start;
  for (size_t i = static_cast<size_t>(first); i < sizes.size(); ++i) {
    if (x + sizes[i] > limit) break;
    x += sizes[i] + line;
    ++n;
  }
  return n;
}

int FixedExtent(const std::vector<int>& sizes, int fixed, int line) {
  int x = 0;
  for (int i = 0; i < fixed; ++i) x += sizes[static_cast<size_t>(i)] + line;
  return x;
}

// The first scrolled index that shows `last` wholly at the end of the view (or `last` itself
// when it does not fit alone).
int FirstShowing(const std::vector<int>& sizes, int fixed, int last, int limit, int line) {
  int x = FixedExtent(sizes, fixed, line) + sizes[static_cast<size_t>(last)];
  int first = last;
  while (first - 1 >= fixed && x + sizes[static_cast<size_t>(first - 1)] + line <= limit) {
    x += sizes[static_cast<size_t>(first - 1)] + line;
    --first;
  }
  return first;
}
}  // namespace

int TCustomGrid::VisibleColCount() const {
  return FittingCount(colWidths_, leftCol_, FixedExtent(colWidths_, fixedCols_, gridLineWidth_),
                      ClientWidth(), gridLineWidth_);
}

int TCustomGrid::VisibleRowCount() const {
  return FittingCount(rowHeights_, topRow_, FixedExtent(rowHeights_, fixedRows_, gridLineWidth_),
                      ClientHeight(), gridLineWidth_);
}

void TCustomGrid::SetLeftCol(int col) {
  const int maxLeft =
      FirstShowing(colWidths_, fixedCols_, colCount_ - 1, ClientWidth(), gridLineWidth_);
  col = std::clamp(col, fixedCols_, std::max(fixedCols_, maxLeft));
  if (col == leftCol_) return;
  leftCol_ = col;
  Invalidate();
  TopLeftChanged();
}

void TCustomGrid::SetTopRow(int row) {
  const int maxTop =
      FirstShowing(rowHeights_, fixedRows_, rowCount_ - 1, ClientHeight(), gridLineWidth_);
  row = std::clamp(row, fixedRows_, std::max(fixedRows_, maxTop));
  if (row == topRow_) return;
  topRow_ = row;
  Invalidate();
  TopLeftChanged();
}

void TCustomGrid::NormalizeTopLeft() {
  const int left = leftCol_, top = topRow_;
  leftCol_ = std::clamp(leftCol_, fixedCols_, colCount_ - 1);
  topRow_ = std::clamp(topRow_, fixedRows_, rowCount_ - 1);
  const int maxLeft =
      FirstShowing(colWidths_, fixedCols_, colCount_ - 1, ClientWidth(), gridLineWidth_);
  const int maxTop =
      FirstShowing(rowHeights_, fixedRows_, rowCount_ - 1, ClientHeight(), gridLineWidth_);
  leftCol_ = std::max(fixedCols_, std::min(leftCol_, maxLeft));
  topRow_ = std::max(fixedRows_, std::min(topRow_, maxTop));
  if (left != leftCol_ || top != topRow_) TopLeftChanged();
}

void TCustomGrid::ClampInView(int col, int row) {
  int left = leftCol_, top = topRow_;
  if (col >= fixedCols_) {
    if (col < leftCol_)
      left = col;
    else if (col >= leftCol_ + VisibleColCount())
      left = FirstShowing(colWidths_, fixedCols_, col, ClientWidth(), gridLineWidth_);
  }
  if (row >= fixedRows_) {
    if (row < topRow_)
      top = row;
    else if (row >= topRow_ + VisibleRowCount())
      top = FirstShowing(rowHeights_, fixedRows_, row, ClientHeight(), gridLineWidth_);
  }
  if (left == leftCol_ && top == topRow_) return;
  leftCol_ = left;
  topRow_ = top;
  Invalidate();
  TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
  OnTopLeftChanged(this);
}

void TCustomGrid::Resize() {
  TCustomControl::Resize();
  NormalizeTopLeft();
}

// ---- options and drawing

void TCustomGrid::SetOptions(TGridOptions value) {
  if (value & goRowSelect) value &= ~TGridOptions(goAlwaysShowEditor);
  options_ = value;
  if (!(value & goEditing) || (value & goRowSelect)) HideEditor();
  if (!(value & goRangeSelect)) {
    anchorCol_ = col_;
    anchorRow_ = row_;
  }
  if ((value & goAlwaysShowEditor) && Focused()) ShowEditor();
  Invalidate();
}

void TCustomGrid::SetFixedColor(TColor value) {
  if (fixedColor_ == value) return;
  fixedColor_ = value;
  Invalidate();
}

void TCustomGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  OnDrawCell(this, col, row, rect, state);
}

std::vector<TCustomGrid::ShownCell> TCustomGrid::ShownCells() const {
  std::vector<int> cols, rows;
  for (int c = 0; c < fixedCols_ && ColLeft(c) >= 0; ++c) cols.push_back(c);
  for (int c = leftCol_; c < colCount_ && ColLeft(c) >= 0; ++c) cols.push_back(c);
  for (int r = 0; r < fixedRows_ && RowTop(r) >= 0; ++r) rows.push_back(r);
  for (int r = topRow_; r < rowCount_ && RowTop(r) >= 0; ++r) rows.push_back(r);
  const TGridRect selection = Selection();
  const bool focused = Focused();
  const bool drawFocusSelected = options_ & (goDrawFocusSelected | goRowSelect);
  std::vector<ShownCell> cells;
  for (int r : rows) {
    for (int c : cols) {
      TGridDrawState state = 0;
      if (c < fixedCols_ || r < fixedRows_) {
        state = gdFixed;
      } else {
        // The focused cell shows as focused rather than selected, unless the options ask
        // for both; without the focus the current cell is one of the selected ones.
        const bool current = c == col_ && r == row_ && focused;
        if (current) state |= gdFocused;
        if (selection.Contains(c, r) && (!current || drawFocusSelected)) state |= gdSelected;
      }
      cells.push_back({c, r, CellRect(c, r), state});
    }
  }
  return cells;
}

void TCustomGrid::DrawCells() {
  for (const ShownCell& cell : ShownCells()) DrawCell(cell.col, cell.row, cell.rect, cell.state);
}

void TCustomGrid::Paint() {
  TCanvas* canvas = Canvas();
  const int w = Width(), h = Height();
  FillSolid(canvas, {0, 0, w, h}, Color());
  const bool border = borderStyle_ == TBorderStyle::bsSingle;
  const TRect inner = border ? TRect{kBorder, kBorder, std::max(kBorder, w - kBorder),
                                     std::max(kBorder, h - kBorder)}
                             : TRect{0, 0, w, h};
  // Scroll bars show where the style allows them and cells lie out of view.
  const bool vertical =
      (scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth) &&
      (topRow_ > fixedRows_ || topRow_ + VisibleRowCount() < rowCount_);
  const bool horizontal =
      (scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth) &&
      (leftCol_ > fixedCols_ || leftCol_ + VisibleColCount() < colCount_);
  TRect content = inner;
  if (vertical) content.Right = std::max(content.Left, content.Right - kScrollBarSize);
  if (horizontal) content.Bottom = std::max(content.Top, content.Bottom - kScrollBarSize);
  {
    TClipScope clip(canvas);
    canvas->IntersectClipRect(content);
    const std::vector<ShownCell> cells = ShownCells();
    for (const ShownCell& cell : cells) {
      const bool fixed = cell.state & gdFixed;
      const bool selected = !fixed && (cell.state & gdSelected);
      canvas->Font()->Assign(Font());
      canvas->Font()->SetColor(!Enabled() ? clGrayText
                               : selected ? clHighlightText
                                          : Font()->GetColor());
      canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
      canvas->Brush()->SetColor(fixed ? fixedColor_ : selected ? clHighlight : Color());
      if (defaultDrawing_) canvas->FillRect(cell.rect);
      DrawCell(cell.col, cell.row, cell.rect, cell.state);
      if (!defaultDrawing_) continue;
      if (fixed && (options_ & (goFixedVertLine | goFixedHorzLine)))
        DrawEdge(canvas, cell.rect, TEdgeKind::RaisedOuter);
      const bool editing = editorMode_ && cell.col == editCol_ && cell.row == editRow_;
      if ((cell.state & gdFocused) && !(options_ & goRowSelect) && !editing)
        canvas->DrawFocusRect(cell.rect);
    }
    // Grid lines after each cell: black between fixed cells, silver between the others.
    const int line = gridLineWidth_;
    for (const ShownCell& cell : cells) {
      if (line <= 0) break;
      const bool fixed = cell.state & gdFixed;
      const TColor color = fixed ? clBlack : clSilver;
      const TRect& r = cell.rect;
      if (options_ & (fixed ? goFixedVertLine : goVertLine))
        FillSolid(canvas, {r.Right, r.Top, r.Right + line, r.Bottom + line}, color);
      if (options_ & (fixed ? goFixedHorzLine : goHorzLine))
        FillSolid(canvas, {r.Left, r.Bottom, r.Right + line, r.Bottom + line}, color);
    }
    // A grid selecting whole rows shows its focus around the current row.
    if ((options_ & goRowSelect) && defaultDrawing_ && Focused()) {
      TRect row;
      for (const ShownCell& cell : cells)
        if (cell.row == row_ && cell.col >= fixedCols_) {
          if (row.Width() == 0) row = cell.rect;
          row.Right = cell.rect.Right;
        }
      if (row.Width() > 0) canvas->DrawFocusRect(row);
    }
    if (editorMode_) PaintEditor(canvas);
  }
  if (vertical)
    DrawScrollBar(canvas, {content.Right, inner.Top, inner.Right, content.Bottom}, true, fixedRows_,
                  rowCount_ - 1, VisibleRowCount(), topRow_, Enabled());
  if (horizontal)
    DrawScrollBar(canvas, {inner.Left, content.Bottom, content.Right, inner.Bottom}, false,
                  fixedCols_, colCount_ - 1, VisibleColCount(), leftCol_, Enabled());
  if (vertical && horizontal)
    FillSolid(canvas, {content.Right, content.Bottom, inner.Right, inner.Bottom}, clBtnFace);
  if (border) DrawEdge(canvas, {0, 0, w, h}, TEdgeKind::Sunken);
}

// The in-place editor over its cell: its text on the window colour, the selected part in the
// highlight colours, or the caret.
void TCustomGrid::PaintEditor(TCanvas* canvas) {
  const TRect r = CellRect(editCol_, editRow_);
  if (r.Width() <= 0) return;
  FillSolid(canvas, r, clWindow);
  canvas->Font()->Assign(Font());
  const AnsiString text = editor_.Text();
  const int start = std::clamp(editor_.SelStart(), 0, static_cast<int>(text.size()));
  const int end = std::clamp(start + editor_.SelLength(), start, static_cast<int>(text.size()));
  const int x = r.Left + 2, y = r.Top + 2;
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  canvas->TextRect(r, x, y, text);
  const int from = x + canvas->TextWidth(text.substr(0, static_cast<size_t>(start)));
  const int to = x + canvas->TextWidth(text.substr(0, static_cast<size_t>(end)));
  if (end > start) {
    TClipScope clip(canvas);
    canvas->IntersectClipRect({from, r.Top + 1, std::min(to, r.Right), r.Bottom - 1});
    FillSolid(canvas, {from, r.Top + 1, to, r.Bottom - 1}, clHighlight);
    canvas->Font()->SetColor(clHighlightText);
    canvas->Brush()->SetStyle(TBrushStyle::bsClear);
    canvas->TextOut(x, y, text);
  } else {
    FillSolid(canvas, {from, r.Top + 2, from + 1, r.Bottom - 2}, clWindowText);
  }
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
}

// ---- moving and deleting columns and rows

void TCustomGrid::ColumnMoved(int fromIndex, int toIndex) {
  OnColumnMoved(this, fromIndex, toIndex);
}

void TCustomGrid::RowMoved(int fromIndex, int toIndex) {
  OnRowMoved(this, fromIndex, toIndex);
}

void TCustomGrid::MoveColumn(int fromIndex, int toIndex) {
  if (fromIndex < 0 || fromIndex >= colCount_ || toIndex < 0 || toIndex >= colCount_)
    IndexOutOfRange();
  if (fromIndex == toIndex) return;
  HideEditor();
  MoveItem(colWidths_, fromIndex, toIndex);
  col_ = std::max(fixedCols_, MovedIndex(col_, fromIndex, toIndex));
  anchorCol_ = std::max(fixedCols_, MovedIndex(anchorCol_, fromIndex, toIndex));
  ColumnMoved(fromIndex, toIndex);
  Invalidate();
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex) {
  if (fromIndex < 0 || fromIndex >= rowCount_ || toIndex < 0 || toIndex >= rowCount_)
    IndexOutOfRange();
  if (fromIndex == toIndex) return;
  HideEditor();
  MoveItem(rowHeights_, fromIndex, toIndex);
  row_ = std::max(fixedRows_, MovedIndex(row_, fromIndex, toIndex));
  anchorRow_ = std::max(fixedRows_, MovedIndex(anchorRow_, fromIndex, toIndex));
  RowMoved(fromIndex, toIndex);
  Invalidate();
}

void TCustomGrid::DeleteColumn(int col) {
  if (col < 0 || col >= colCount_) IndexOutOfRange();
  MoveColumn(col, colCount_ - 1);
  SetColCount(colCount_ - 1);
}

void TCustomGrid::DeleteRow(int row) {
  if (row < 0 || row >= rowCount_) IndexOutOfRange();
  MoveRow(row, rowCount_ - 1);
  SetRowCount(rowCount_ - 1);
}

// ---- the in-place editor

bool TCustomGrid::CanEditShow() const {
  return (options_ & goEditing) && !(options_ & goRowSelect) && col_ >= fixedCols_ &&
         row_ >= fixedRows_ && !(ComponentState() & csDesigning);
}

AnsiString TCustomGrid::GetEditText(int col, int row) {
  AnsiString text;
  OnGetEditText(this, col, row, text);
  return text;
}

void TCustomGrid::SetEditText(int col, int row, const AnsiString& value) {
  OnSetEditText(this, col, row, value);
}

void TCustomGrid::ShowEditor() {
  if (editorMode_ || !CanEditShow()) return;
  editCol_ = col_;
  editRow_ = row_;
  editOriginal_ = GetEditText(col_, row_);
  editor_.SetText(editOriginal_);
  editor_.SelectAll();
  editorMode_ = true;
  Invalidate();
}

void TCustomGrid::HideEditor() {
  if (!editorMode_) return;
  editorMode_ = false;
  editor_.ResetTyping();
  Invalidate();
}

void TCustomGrid::CancelEditor() {
  if (!editorMode_) return;
  editorMode_ = false;
  editor_.ResetTyping();
  if (editor_.Text() != editOriginal_ && CanEditModify()) {
    writingEdit_ = true;
    try {
      SetEditText(editCol_, editRow_, editOriginal_);
    } catch (...) {
      writingEdit_ = false;
      throw;
    }
    writingEdit_ = false;
  }
  Invalidate();
}

void TCustomGrid::SetEditorMode(bool value) {
  if (value)
    ShowEditor();
  else
    HideEditor();
}

void TCustomGrid::EditorChanged() {
  writingEdit_ = true;
  try {
    SetEditText(editCol_, editRow_, editor_.Text());
  } catch (...) {
    writingEdit_ = false;
    throw;
  }
  writingEdit_ = false;
  Invalidate();
}

void TCustomGrid::CellChanged(int col, int row) {
  Invalidate();
  if (editorMode_ && !writingEdit_ && col == editCol_ && row == editRow_) {
    editOriginal_ = GetEditText(col, row);
    editor_.SetText(editOriginal_);
    editor_.SelectAll();
  }
}

// ---- keys, focus and mouse

void TCustomGrid::KeyDown(std::uint16_t& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == 0) return;
  const bool ctrl = shift & ssCtrl;
  const bool shifted = shift & ssShift;
  if (editorMode_) {
    switch (key) {
      case VK_ESCAPE:
        CancelEditor();
        key = 0;
        return;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_HOME:
      case VK_END: {
        // With an editor that is always shown, these keys leave the text at its edges (or
        // with Ctrl) and move the current cell instead.
        const int length = static_cast<int>(editor_.Text().size());
        const int selected = editor_.SelLength();
        const bool towardsStart = key == VK_LEFT || key == VK_HOME;
        const bool atEdge = selected == length ||
                            (selected == 0 && editor_.SelStart() == (towardsStart ? 0 : length));
        if ((options_ & goAlwaysShowEditor) && (ctrl || atEdge)) break;
        editor_.MoveCaret(key, shifted);
        key = 0;
        return;
      }
      case VK_DELETE:
        if (CanEditModify() && editor_.DeleteForward()) EditorChanged();
        key = 0;
        return;
      default:
        break;
    }
  }
  if (key == VK_F2) {
    if (!editorMode_) {
      ShowEditor();
      if (editorMode_) editor_.SetSelStart(static_cast<int>(editor_.Text().size()));
    }
    key = 0;
    return;
  }
  const bool rowSelect = options_ & goRowSelect;
  bool extend = shifted && (options_ & goRangeSelect);
  int c = col_, r = row_;
  switch (key) {
    case VK_UP:
      --r;
      break;
    case VK_DOWN:
      ++r;
      break;
    case VK_LEFT:
    case VK_RIGHT:
      if (rowSelect) {
        // Whole rows are selected: left and right scroll.
        SetLeftCol(leftCol_ + (key == VK_LEFT ? -1 : 1));
        key = 0;
        return;
      }
      c += key == VK_LEFT ? -1 : 1;
      break;
    case VK_HOME:
      c = fixedCols_;
      if (ctrl || rowSelect) r = fixedRows_;
      break;
    case VK_END:
      c = colCount_ - 1;
      if (ctrl || rowSelect) r = rowCount_ - 1;
      break;
    case VK_PRIOR:
      r = ctrl ? topRow_ : r - std::max(1, VisibleRowCount());
      break;
    case VK_NEXT:
      r = ctrl ? topRow_ + std::max(1, VisibleRowCount()) - 1 : r + std::max(1, VisibleRowCount());
      break;
    case VK_TAB:
      if (!(options_ & goTabs) || (shift & (ssAlt | ssCtrl))) return;
      extend = false;
      // Tab walks the cells row by row and wraps around.
      if (shifted) {
        if (--c < fixedCols_) {
          c = colCount_ - 1;
          if (--r < fixedRows_) r = rowCount_ - 1;
        }
      } else if (++c >= colCount_) {
        c = fixedCols_;
        if (++r >= rowCount_) r = fixedRows_;
      }
      break;
    default:
      return;
  }
  key = 0;
  c = std::clamp(c, fixedCols_, colCount_ - 1);
  r = std::clamp(r, fixedRows_, rowCount_ - 1);
  if (c == col_ && r == row_) {
    if (!extend && (anchorCol_ != col_ || anchorRow_ != row_)) {
      anchorCol_ = col_;
      anchorRow_ = row_;
      Invalidate();
    }
    return;
  }
  if (MoveCurrent(c, r, !extend)) Click();
}

void TCustomGrid::KeyPress(char& key) {
  TCustomControl::KeyPress(key);
  if (key == 0) return;
  if (key == '\r') {
    if (!(options_ & goAlwaysShowEditor)) {
      if (editorMode_)
        HideEditor();
      else
        ShowEditor();
    } else if (editorMode_) {
      editor_.SelectAll();
    }
    key = 0;
    return;
  }
  const auto byte = static_cast<unsigned char>(key);
  const bool printable = byte >= 32 && byte != 127;
  if (editorMode_) {
    if (key == '\b') {
      if (CanEditModify() && editor_.Backspace()) EditorChanged();
    } else if (printable) {
      if (CanEditModify() && editor_.TypeChar(key)) EditorChanged();
    }
    key = 0;
    return;
  }
  if (printable && (options_ & goEditing)) {
    // Typing opens the editor; the character replaces the text.
    ShowEditor();
    if (editorMode_ && CanEditModify() && editor_.TypeChar(key)) EditorChanged();
    key = 0;
  }
}

bool TCustomGrid::WantsKey(std::uint16_t key, TShiftState shift) const {
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
      return true;
    case VK_TAB:
      return (options_ & goTabs) && !(shift & (ssAlt | ssCtrl));
    case VK_RETURN:
    case VK_ESCAPE:
      return editorMode_;
    default:
      return false;
  }
}

void TCustomGrid::DoEnter() {
  TCustomControl::DoEnter();
  if (options_ & goAlwaysShowEditor) ShowEditor();
}

void TCustomGrid::DoExit() {
  HideEditor();
  TCustomControl::DoExit();
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  selecting_ = false;
  if (button != TMouseButton::mbLeft) return;
  int c = -1, r = -1;
  MouseToCell(x, y, c, r);
  if (c < fixedCols_ || r < fixedRows_) return;
  if (c == col_ && r == row_ && (options_ & goEditing) && !editorMode_ && !(shift & ssShift)) {
    // A click on the current cell opens the editor.
    anchorCol_ = c;
    anchorRow_ = r;
    ShowEditor();
    return;
  }
  const bool extend = (shift & ssShift) && (options_ & goRangeSelect);
  if (MoveCurrent(c, r, !extend)) selecting_ = (options_ & goRangeSelect) != 0;
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (!selecting_ || !MouseCaptured()) return;
  int c = -1, r = -1;
  MouseToCell(x, y, c, r);
  if (c < fixedCols_ || r < fixedRows_ || (c == col_ && r == row_)) return;
  MoveCurrent(c, r, false);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  selecting_ = false;
}

// ---------------------------------------------------------------------------------------
// TDrawGrid, TStringGrid

VCL_IMPLEMENT_COMPONENT(TDrawGrid, TCustomGrid)
void TDrawGrid::Publish(TPublisher&) {}

namespace {

// One column or row of a string grid seen as a list of fixed length.
class TStringGridStrings : public TStrings {
 public:
  TStringGridStrings(TStringGrid* grid, bool column, int index)
      : grid_(grid), column_(column), index_(index) {}

  int Count() const override {
    if (column_) return index_ < grid_->ColCount() ? grid_->RowCount() : 0;
    return index_ < grid_->RowCount() ? grid_->ColCount() : 0;
  }
  AnsiString Get(int i) const override {
    Check(i);
    return column_ ? grid_->Cells(index_, i) : grid_->Cells(i, index_);
  }
  void Put(int i, const AnsiString& s) override {
    Check(i);
    if (column_)
      grid_->SetCells(index_, i, s);
    else
      grid_->SetCells(i, index_, s);
  }
  TObject* GetObject(int i) const override {
    Check(i);
    return column_ ? grid_->Objects(index_, i) : grid_->Objects(i, index_);
  }
  void PutObject(int i, TObject* object) override {
    Check(i);
    if (column_)
      grid_->SetObjects(index_, i, object);
    else
      grid_->SetObjects(i, index_, object);
  }
  void Insert(int, const AnsiString&) override { FixedSizeError(); }
  void Delete(int) override { FixedSizeError(); }
  void Clear() override {
    for (int i = 0; i < Count(); ++i) {
      Put(i, "");
      PutObject(i, nullptr);
    }
  }
  // Fills the first empty cell; -1 when every cell has text.
  int Add(const AnsiString& s) override {
    for (int i = 0; i < Count(); ++i) {
      if (Get(i).empty()) {
        Put(i, s);
        return i;
      }
    }
    return -1;
  }
  // Copies as many lines as the column (row) has cells; the rest are emptied.
  void Assign(const TStrings& source) override {
    if (&source == this) return;
    Clear();
    const int n = std::min(Count(), source.Count());
    for (int i = 0; i < n; ++i) {
      Put(i, source.Get(i));
      PutObject(i, source.GetObject(i));
    }
  }

 private:
  void Check(int i) const {
    if (i < 0 || i >= Count()) IndexError(i);
  }
  [[noreturn]] static void FixedSizeError() {
    throw EInvalidGridOperation("Cannot insert or delete rows from grid");
  }
  TStringGrid* grid_;
  bool column_;
  int index_;
};

}  // namespace

VCL_IMPLEMENT_COMPONENT(TStringGrid, TDrawGrid)
void TStringGrid::Publish(TPublisher&) {}

TStringGrid::TStringGrid(TComponent* owner) : TDrawGrid(owner) {
  cells_.assign(static_cast<size_t>(ColCount()),
                std::vector<Cell>(static_cast<size_t>(RowCount())));
}

TStringGrid::~TStringGrid() = default;

AnsiString TStringGrid::Cells(int col, int row) const {
  CheckCell(col, row);
  return cells_[static_cast<size_t>(col)][static_cast<size_t>(row)].text;
}

void TStringGrid::SetCells(int col, int row, const AnsiString& value) {
  CheckCell(col, row);
  AnsiString& text = cells_[static_cast<size_t>(col)][static_cast<size_t>(row)].text;
  if (text == value) return;
  text = value;
  CellChanged(col, row);
}

void TStringGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  if (DefaultDrawing()) Canvas()->TextRect(rect, rect.Left + 2, rect.Top + 2, Cells(col, row));
  TDrawGrid::DrawCell(col, row, rect, state);
}

TObject* TStringGrid::Objects(int col, int row) const {
  CheckCell(col, row);
  return cells_[static_cast<size_t>(col)][static_cast<size_t>(row)].object;
}

void TStringGrid::SetObjects(int col, int row, TObject* object) {
  CheckCell(col, row);
  cells_[static_cast<size_t>(col)][static_cast<size_t>(row)].object = object;
}

TStrings* TStringGrid::Cols(int col) {
  if (col < 0 || col >= ColCount()) CheckCell(col, 0);
  auto& view = colViews_[col];
  if (!view) view = std::make_unique<TStringGridStrings>(this, true, col);
  return view.get();
}

void TStringGrid::SetCols(int col, const TStrings& strings) {
  Cols(col)->Assign(strings);
}

TStrings* TStringGrid::Rows(int row) {
  if (row < 0 || row >= RowCount()) CheckCell(0, row);
  auto& view = rowViews_[row];
  if (!view) view = std::make_unique<TStringGridStrings>(this, false, row);
  return view.get();
}

void TStringGrid::SetRows(int row, const TStrings& strings) {
  Rows(row)->Assign(strings);
}

AnsiString TStringGrid::GetEditText(int col, int row) {
  AnsiString text = Cells(col, row);
  OnGetEditText(this, col, row, text);
  return text;
}

void TStringGrid::SetEditText(int col, int row, const AnsiString& value) {
  SetCells(col, row, value);
  TDrawGrid::SetEditText(col, row, value);
}

void TStringGrid::ColumnMoved(int fromIndex, int toIndex) {
  MoveItem(cells_, fromIndex, toIndex);
  TDrawGrid::ColumnMoved(fromIndex, toIndex);
}

void TStringGrid::RowMoved(int fromIndex, int toIndex) {
  for (auto& column : cells_) MoveItem(column, fromIndex, toIndex);
  TDrawGrid::RowMoved(fromIndex, toIndex);
}

void TStringGrid::SizeChanged(int oldColCount, int oldRowCount) {
  cells_.resize(static_cast<size_t>(ColCount()));
  for (auto& column : cells_) column.resize(static_cast<size_t>(RowCount()));
  TDrawGrid::SizeChanged(oldColCount, oldRowCount);
}

}  // namespace vcl
