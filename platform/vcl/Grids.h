// Grids: a table of cells with fixed (heading) rows and columns, a current cell moved by keys
// and the mouse, a range selection, scrolling, and an in-place editor; the draw grid paints
// through an event, the string grid holds a text and an object per cell.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/rtl/TStringList.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace vcl {

// Raised for bad grid operations: "Grid index out of range", "Fixed column count must be less
// than column count", "Fixed row count must be less than row count", "Cannot insert or
// delete rows from grid".
VCL_DECLARE_EXCEPTION(EInvalidGridOperation, Exception)

enum TGridOption : std::uint32_t {
  goFixedVertLine = 1u << 0,
  goFixedHorzLine = 1u << 1,
  goVertLine = 1u << 2,
  goHorzLine = 1u << 3,
  goRangeSelect = 1u << 4,
  goDrawFocusSelected = 1u << 5,
  goRowSizing = 1u << 6,
  goColSizing = 1u << 7,
  goRowMoving = 1u << 8,
  goColMoving = 1u << 9,
  goEditing = 1u << 10,
  goTabs = 1u << 11,
  goRowSelect = 1u << 12,
  goAlwaysShowEditor = 1u << 13,
  goThumbTracking = 1u << 14,
};
using TGridOptions = std::uint32_t;
const TTypeInfo* TypeGridOptions();

enum TGridDrawStateFlag : std::uint8_t { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = std::uint8_t;

struct TGridCoord {
  int X = 0;
  int Y = 0;
  bool operator==(const TGridCoord&) const = default;
};

// A block of cells: columns Left..Right and rows Top..Bottom, inclusive.
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool Contains(int col, int row) const {
    return col >= Left && col <= Right && row >= Top && row <= Bottom;
  }
  bool operator==(const TGridRect&) const = default;
};

class TCanvas;

// The cell may become the current cell: clear canSelect to refuse.
using TSelectCellEvent = TEvent<TObject*, int, int, bool&>;
using TDrawCellEvent = TEvent<TObject*, int, int, const TRect&, TGridDrawState>;
// The text the in-place editor starts with (may be changed).
using TGetEditEvent = TEvent<TObject*, int, int, AnsiString&>;
// The in-place editor's text changed.
using TSetEditEvent = TEvent<TObject*, int, int, const AnsiString&>;
// A column or row moved from one index to another.
using TMovedEvent = TEvent<TObject*, int, int>;

// The grid: ColCount x RowCount cells, the first FixedCols columns and FixedRows rows fixed
// (never current, never scrolled). Column and row indexes out of range raise
// EInvalidGridOperation "Grid index out of range". Coordinates are client coordinates;
// each column is ColWidths[i] wide followed by a GridLineWidth line.
class TCustomGrid : public TCustomControl {
  VCL_DECLARE_COMPONENT(TCustomGrid)
 public:
  explicit TCustomGrid(TComponent* owner);
  ~TCustomGrid() override;

  int ColCount() const { return colCount_; }
  // At least 1; a count not above FixedCols lowers FixedCols. Cells beyond are dropped.
  void SetColCount(int value);
  int RowCount() const { return rowCount_; }
  void SetRowCount(int value);
  int FixedCols() const { return fixedCols_; }
  // Must be less than ColCount; the current cell moves out of the fixed part.
  void SetFixedCols(int value);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int value);
  int DefaultColWidth() const { return defaultColWidth_; }
  // Sets every column to the new width.
  void SetDefaultColWidth(int value);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int value);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int value);
  int ColWidths(int col) const;
  void SetColWidths(int col, int width);
  int RowHeights(int row) const;
  void SetRowHeights(int row, int height);

  // The current cell. Setting asks SelectCell (OnSelectCell may refuse: nothing changes),
  // brings the cell into view and runs OnClick. A fixed or missing cell raises
  // EInvalidGridOperation "Grid index out of range".
  int Col() const { return col_; }
  void SetCol(int col);
  int Row() const { return row_; }
  void SetRow(int row);
  void FocusCell(int col, int row);
  // The selected block: the current cell and the anchor of a range selection (whole rows with
  // goRowSelect). Setting makes its top left cell current.
  TGridRect Selection() const;
  void SetSelection(const TGridRect& selection);

  // First scrolled (non-fixed) column and row shown.
  int LeftCol() const { return leftCol_; }
  void SetLeftCol(int col);
  int TopRow() const { return topRow_; }
  void SetTopRow(int row);
  // Scrolled columns and rows wholly inside the client area.
  int VisibleColCount() const;
  int VisibleRowCount() const;

  TGridOptions Options() const { return options_; }
  // goRowSelect drops goAlwaysShowEditor; leaving goEditing closes the editor.
  void SetOptions(TGridOptions value);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor value);
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value) { scrollBars_ = value; }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value) { borderStyle_ = value; }

  // The in-place editor: open while EditorMode. Its text is written back through SetEditText
  // as it changes; Escape puts the original text back. Opening needs goEditing and no
  // goRowSelect.
  bool EditorMode() const { return editorMode_; }
  void SetEditorMode(bool value);
  AnsiString InplaceEditorText() const { return editorMode_ ? editor_.Text() : AnsiString(); }
  // The editor's caret and selection (bytes).
  int InplaceEditorSelStart() const { return editor_.SelStart(); }
  int InplaceEditorSelLength() const { return editor_.SelLength(); }

  // The client rectangle of a cell (without its grid lines); an empty rectangle for a cell
  // scrolled out of view.
  TRect CellRect(int col, int row) const;
  // The cell at a client point; -1 for a coordinate outside every shown column or row.
  void MouseToCell(int x, int y, int& col, int& row) const;
  TGridCoord MouseCoord(int x, int y) const;

  // Runs DrawCell (OnDrawCell) for every shown cell, row by row (fixed columns first in each
  // row), with the cell's state. Paint does the same with Canvas() bound.
  void DrawCells();

  // Moves a column (row) to another index; cells move with it. Runs OnColumnMoved.
  void MoveColumn(int fromIndex, int toIndex);
  void MoveRow(int fromIndex, int toIndex);
  // Removes a column (row) with its cells.
  void DeleteColumn(int col);
  void DeleteRow(int row);

  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  bool WantsKey(std::uint16_t key, TShiftState shift) const override;
  void DoEnter() override;
  void DoExit() override;

  TSelectCellEvent OnSelectCell;
  TDrawCellEvent OnDrawCell;
  TGetEditEvent OnGetEditText;
  TSetEditEvent OnSetEditText;
  TNotifyEvent OnTopLeftChanged;
  TMovedEvent OnColumnMoved;
  TMovedEvent OnRowMoved;

 protected:
  virtual bool SelectCell(int col, int row);
  // Draws one cell on Canvas(); runs OnDrawCell. While painting, the canvas comes with the
  // brush in the cell's colour (the fixed colour, the highlight for selected cells, Color
  // otherwise) and the font in the colour for its text; with DefaultDrawing the cell is
  // already filled, and derived grids draw their content before calling this.
  virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state);
  virtual AnsiString GetEditText(int col, int row);
  virtual void SetEditText(int col, int row, const AnsiString& value);
  virtual bool CanEditShow() const;
  virtual bool CanEditModify() const { return true; }
  // Cell storage follows moves and size changes through these.
  virtual void ColumnMoved(int fromIndex, int toIndex);
  virtual void RowMoved(int fromIndex, int toIndex);
  virtual void SizeChanged(int oldColCount, int oldRowCount) {}
  virtual void TopLeftChanged();

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Resize() override;
  // The shown cells (fixed ones in the fixed colour with raised edges, selected ones in the
  // highlight colours, the focused cell with a focus rectangle) through DrawCell, the grid
  // lines the options ask for, the in-place editor, scroll bars where cells are scrolled out
  // of view, and the border.
  void Paint() override;

  // Raises "Grid index out of range" unless the cell exists.
  void CheckCell(int col, int row) const;
  void InvalidateCell(int col, int row) { Invalidate(); }
  // A cell's content changed from outside the editor: repaint it, and an editor open on it
  // shows the new text.
  void CellChanged(int col, int row);

  void ShowEditor();
  // Closes the editor keeping its text.
  void HideEditor();
  // Closes the editor restoring the text it started with.
  void CancelEditor();

 private:
  // Moves the current cell (after SelectCell agrees); false when refused. With moveAnchor the
  // selection collapses to the cell, otherwise it extends from the anchor.
  bool MoveCurrent(int col, int row, bool moveAnchor);
  void ClampInView(int col, int row);
  // Left edge of a shown column (top edge of a shown row), or -1.
  int ColLeft(int col) const;
  int RowTop(int row) const;
  int AxisIndex(int pos, bool columns) const;
  void EditorChanged();
  void ChangeSize(int colCount, int rowCount);
  void NormalizeTopLeft();
  struct ShownCell {
    int col, row;
    TRect rect;
    TGridDrawState state;
  };
  // The cells in view, in drawing order, with their states.
  std::vector<ShownCell> ShownCells() const;
  void PaintEditor(TCanvas* canvas);

  int colCount_ = 5;
  int rowCount_ = 5;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  std::vector<int> colWidths_;
  std::vector<int> rowHeights_;
  int col_ = 1, row_ = 1;
  int anchorCol_ = 1, anchorRow_ = 1;
  int leftCol_ = 1, topRow_ = 1;
  TGridOptions options_;
  TColor fixedColor_ = clBtnFace;
  bool defaultDrawing_ = true;
  TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
  TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
  bool selecting_ = false;  // a left button press in the cells is extending the selection
  bool editorMode_ = false;
  bool writingEdit_ = false;  // the editor is writing its text back
  int editCol_ = 0, editRow_ = 0;
  AnsiString editOriginal_;
  TTextEditor editor_;
};

// A grid whose cells the program paints through OnDrawCell.
class TDrawGrid : public TCustomGrid {
  VCL_DECLARE_COMPONENT(TDrawGrid)
 public:
  explicit TDrawGrid(TComponent* owner) : TCustomGrid(owner) {}
};

// A grid of texts with an object per cell. Cols(i) and Rows(i) are live lists over one column
// or row: reading and writing them reads and writes the cells; they cannot grow or shrink
// (Insert and Delete raise EInvalidGridOperation "Cannot insert or delete rows from grid",
// Add fills the first empty cell and returns -1 when there is none).
class TStringGrid : public TDrawGrid {
  VCL_DECLARE_COMPONENT(TStringGrid)
 public:
  explicit TStringGrid(TComponent* owner);
  ~TStringGrid() override;

  AnsiString Cells(int col, int row) const;
  void SetCells(int col, int row, const AnsiString& value);
  TObject* Objects(int col, int row) const;
  void SetObjects(int col, int row, TObject* object);
  TStrings* Cols(int col);
  void SetCols(int col, const TStrings& strings);
  TStrings* Rows(int row);
  void SetRows(int row, const TStrings& strings);

 protected:
  // With DefaultDrawing, the cell's text 2 pixels in from its top-left corner first.
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  AnsiString GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const AnsiString& value) override;
  void ColumnMoved(int fromIndex, int toIndex) override;
  void RowMoved(int fromIndex, int toIndex) override;
  void SizeChanged(int oldColCount, int oldRowCount) override;

 private:
  struct Cell {
    AnsiString text;
    TObject* object = nullptr;
  };
  std::vector<std::vector<Cell>> cells_;  // [col][row]
  std::map<int, std::unique_ptr<TStrings>> colViews_;
  std::map<int, std::unique_ptr<TStrings>> rowViews_;
};

}  // namespace vcl
