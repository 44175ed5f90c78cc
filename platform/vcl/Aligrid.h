// A string grid with display attributes per cell, per column and per row: font, alignment,
// colour and hint text, plus per-column pick lists and editor kinds. For every attribute the
// cell's own value wins over its row's, the row's over its column's, and the column's over
// the grid's default.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/vcl/Grids.h"

namespace vcl {

// The editor a column's cells are edited with (used by the column editors).
enum class TColumnEditorKind { ceNone, ceEdit, cePickList, ceCheckBox };

// Indexes out of range raise EInvalidGridOperation "Grid index out of range". Attributes move
// with their columns and rows and are dropped with them.
class TStringAlignGrid : public TStringGrid {
  VCL_DECLARE_COMPONENT(TStringAlignGrid)
 public:
  explicit TStringAlignGrid(TComponent* owner);
  ~TStringAlignGrid() override;

  // Grid-wide default alignment of cell texts.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  // A cell with a hint of its own (or of its row or column) shows that hint instead of the
  // grid's Hint.
  bool ShowCellHints() const { return showCellHints_; }
  void SetShowCellHints(bool value) { showCellHints_ = value; }

  // Alignments: unset values are std::nullopt.
  std::optional<TAlignment> AlignCell(int col, int row) const;
  void SetAlignCell(int col, int row, TAlignment value);
  void ResetAlignCell(int col, int row);
  std::optional<TAlignment> AlignCol(int col) const;
  void SetAlignCol(int col, TAlignment value);
  void ResetAlignCol(int col);
  std::optional<TAlignment> AlignRow(int row) const;
  void SetAlignRow(int row, TAlignment value);
  void ResetAlignRow(int row);
  TAlignment GetEffectiveAlignment(int col, int row) const;

  // Background colours; the default is FixedColor for fixed cells and Color otherwise.
  std::optional<TColor> CellColor(int col, int row) const;
  void SetCellColor(int col, int row, TColor value);
  void ResetCellColor(int col, int row);
  std::optional<TColor> ColColor(int col) const;
  void SetColColor(int col, TColor value);
  void ResetColColor(int col);
  std::optional<TColor> RowColor(int row) const;
  void SetRowColor(int row, TColor value);
  void ResetRowColor(int row);
  TColor GetEffectiveColor(int col, int row) const;

  // Fonts. CellFont, ColFont and RowFont return the font of their own, creating it on first
  // use as a copy of the font that applies there now, so it can be changed in place; Set...
  // copies a font; Reset... drops it; Has... tells whether there is one.
  TFont* CellFont(int col, int row);
  void SetCellFont(int col, int row, const TFont* font);
  void ResetCellFont(int col, int row);
  bool HasCellFont(int col, int row) const;
  TFont* ColFont(int col);
  void SetColFont(int col, const TFont* font);
  void ResetColFont(int col);
  bool HasColFont(int col) const;
  TFont* RowFont(int row);
  void SetRowFont(int row, const TFont* font);
  void ResetRowFont(int row);
  bool HasRowFont(int row) const;
  // The font the cell is shown in (the grid's Font when nothing else is set).
  TFont* GetEffectiveFont(int col, int row) const;

  // Hints: "" is unset.
  AnsiString CellHint(int col, int row) const;
  void SetCellHint(int col, int row, const AnsiString& hint);
  AnsiString ColHint(int col) const;
  void SetColHint(int col, const AnsiString& hint);
  AnsiString RowHint(int row) const;
  void SetRowHint(int row, const AnsiString& hint);
  // The cell's hint, its row's, its column's, or the grid's Hint.
  AnsiString GetEffectiveHint(int col, int row) const;
  // The hint shown for the mouse at a client point: the cell's effective hint with
  // ShowCellHints, the grid's Hint otherwise (and outside the cells).
  AnsiString HintAt(int x, int y) const;

  // A column's pick list (created empty on first use, owned by the grid).
  TStrings* ColumnPickList(int col);
  TColumnEditorKind ColumnEditor(int col) const;
  void SetColumnEditor(int col, TColumnEditorKind kind);

 protected:
  // With DefaultDrawing, the cell's colour (unless it is highlighted), font and alignment
  // first; then OnDrawCell.
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  void ColumnMoved(int fromIndex, int toIndex) override;
  void RowMoved(int fromIndex, int toIndex) override;
  void SizeChanged(int oldColCount, int oldRowCount) override;

 private:
  struct Attributes {
    std::unique_ptr<TFont> font;
    std::optional<TAlignment> alignment;
    std::optional<TColor> color;
    AnsiString hint;
    bool Empty() const { return !font && !alignment && !color && hint.empty(); }
  };
  using CellKey = std::pair<int, int>;  // column, row

  void CheckCol(int col) const;
  void CheckRow(int row) const;
  // The attributes that apply to a cell, most specific first (absent levels are null).
  const Attributes* CellAttr(int col, int row) const;
  const Attributes* ColAttr(int col) const;
  const Attributes* RowAttr(int row) const;
  // Drops an attribute record that holds nothing any more.
  void Prune(int col, int row);
  void PruneCol(int col);
  void PruneRow(int row);
  // A font owned by the grid that repaints it when changed.
  std::unique_ptr<TFont> NewFont(const TFont* source);

  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool showCellHints_ = true;
  std::map<CellKey, Attributes> cells_;
  std::map<int, Attributes> cols_;
  std::map<int, Attributes> rows_;
  std::map<int, std::unique_ptr<TStringList>> pickLists_;
  std::map<int, TColumnEditorKind> editors_;
};

}  // namespace vcl
