#include "platform/vcl/Grids.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/vcl/Aligrid.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"
#include "platform/vcl/StdCtrls.h"

using namespace vcl;

namespace {

std::string CellOf(const TCustomGrid* grid) {
  return std::to_string(grid->Col()) + "," + std::to_string(grid->Row());
}

void ExpectGridError(const std::function<void()>& action, const std::string& message,
                     const std::string& what) {
  try {
    action();
    ADD_FAILURE() << what << ": no exception";
  } catch (const EInvalidGridOperation& e) {
    EXPECT_EQ(e.Message(), message) << what;
  }
}

// A form with a 320 x 120 string grid of 10 x 10 cells holding the focus, an edit after it
// and a default button.
class GridsForm : public ::testing::Test {
 protected:
  GridsForm() {
    form.SetBounds(0, 0, 500, 400);
    grid = new TStringGrid(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 320, 120);
    grid->SetColCount(10);
    grid->SetRowCount(10);
    next = new TEdit(&form);
    next->SetParent(&form);
    next->SetBounds(0, 200, 100, 21);
    next->SetTabStop(true);
    ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetBounds(0, 300, 75, 25);
    ok->SetDefault(true);
    ok->OnClick = TNotifyEvent::Lambda([this](TObject*) { ++okClicks; });
    grid->OnClick = TNotifyEvent::Lambda([this](TObject*) { ++gridClicks; });
    form.Show();
    grid->SetFocus();
  }
  TForm form{nullptr};
  TStringGrid* grid;
  TEdit* next;
  TButton* ok;
  int okClicks = 0;
  int gridClicks = 0;
};

struct Key {
  std::uint16_t key;
  TShiftState shift = 0;
};

// ---------------------------------------------------------------------------------------
// Counts and errors

TEST(GridsCounts, FixedCountsMustStayBelowTheCounts) {
  TStringGrid grid(nullptr);
  EXPECT_EQ(grid.ColCount(), 5);
  EXPECT_EQ(grid.RowCount(), 5);
  EXPECT_EQ(grid.FixedCols(), 1);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(CellOf(&grid), "1,1");
  ExpectGridError([&] { grid.SetFixedCols(5); },
                  "Fixed column count must be less than column count", "fixed cols = count");
  ExpectGridError([&] { grid.SetFixedRows(9); }, "Fixed row count must be less than row count",
                  "fixed rows > count");
  ExpectGridError([&] { grid.SetFixedCols(-1); }, "Grid index out of range", "negative");
  EXPECT_EQ(grid.FixedCols(), 1);

  // The current cell leaves the fixed part when it grows.
  grid.SetFixedCols(3);
  grid.SetFixedRows(2);
  EXPECT_EQ(CellOf(&grid), "3,2");
  EXPECT_EQ(grid.LeftCol(), 3);
  EXPECT_EQ(grid.TopRow(), 2);
  // Shrinking a count below the fixed part lowers the fixed count.
  grid.SetColCount(2);
  EXPECT_EQ(grid.FixedCols(), 1);
  EXPECT_EQ(CellOf(&grid), "1,2");
  grid.SetRowCount(0);
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.FixedRows(), 0);
  EXPECT_EQ(grid.Row(), 0);
}

TEST(GridsCounts, OutOfRangeIndexesRaise) {
  TStringGrid grid(nullptr);
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"Cells col -1", [&] { grid.Cells(-1, 0); }},
      {"Cells col 5", [&] { grid.Cells(5, 0); }},
      {"Cells row 5", [&] { grid.Cells(0, 5); }},
      {"SetCells row -1", [&] { grid.SetCells(0, -1, "x"); }},
      {"Objects", [&] { grid.Objects(9, 9); }},
      {"Cols", [&] { grid.Cols(5); }},
      {"Rows", [&] { grid.Rows(-1); }},
      {"ColWidths", [&] { grid.ColWidths(5); }},
      {"SetRowHeights", [&] { grid.SetRowHeights(-1, 10); }},
      {"Col on a fixed column", [&] { grid.SetCol(0); }},
      {"Row past the end", [&] { grid.SetRow(7); }},
      {"Selection on fixed cells",
       [&] {
         grid.SetSelection({0, 0, 2, 2});
       }},
      {"MoveColumn", [&] { grid.MoveColumn(0, 5); }},
      {"DeleteRow", [&] { grid.DeleteRow(5); }},
  };
  for (const auto& [name, action] : cases) ExpectGridError(action, "Grid index out of range", name);
  EXPECT_EQ(CellOf(&grid), "1,1");
}

TEST(GridsCounts, PublishedOptionsAsASet) {
  TDrawGrid grid(nullptr);
  EXPECT_EQ(GetSetProp(&grid, "Options"),
            "[goFixedVertLine,goFixedHorzLine,goVertLine,goHorzLine,goRangeSelect]");
  SetSetProp(&grid, "Options", "[goEditing,goTabs]");
  EXPECT_EQ(grid.Options(), TGridOptions(goEditing | goTabs));
  SetPropAsString(&grid, "ColCount", "7");
  EXPECT_EQ(grid.ColCount(), 7);
  // Row selection leaves no room for an always-shown editor.
  grid.SetOptions(goRowSelect | goAlwaysShowEditor | goEditing);
  EXPECT_EQ(grid.Options(), TGridOptions(goRowSelect | goEditing));
}

// ---------------------------------------------------------------------------------------
// Geometry

TEST(GridsGeometry, CellRectAndMouseToCell) {
  TDrawGrid grid(nullptr);  // 320 x 120, cells 64 x 24 with 1-pixel lines
  const struct {
    int col, row;
    TRect rect;
  } rects[] = {
      {0, 0, {0, 0, 64, 24}},
      {1, 1, {65, 25, 129, 49}},
      {4, 4, {260, 100, 324, 124}},  // partly shown
  };
  for (const auto& c : rects)
    EXPECT_EQ(grid.CellRect(c.col, c.row), c.rect) << c.col << "," << c.row;

  const struct {
    int x, y, col, row;
  } points[] = {
      {0, 0, 0, 0},   {63, 23, 0, 0},   {64, 24, 0, 0},  // the line after a cell is the cell's
      {65, 25, 1, 1}, {319, 119, 4, 4}, {320, 5, -1, 0}, {5, 120, 0, -1}, {-1, -1, -1, -1},
  };
  for (const auto& p : points) {
    int col = 99, row = 99;
    grid.MouseToCell(p.x, p.y, col, row);
    EXPECT_EQ(col, p.col) << p.x << "," << p.y;
    EXPECT_EQ(row, p.row) << p.x << "," << p.y;
  }
  // Past the last column.
  grid.SetColCount(3);
  EXPECT_EQ(grid.MouseCoord(200, 5), (TGridCoord{-1, 0}));

  // Custom widths and line width.
  grid.SetColWidths(1, 100);
  grid.SetGridLineWidth(2);
  grid.SetRowHeights(0, 10);
  EXPECT_EQ(grid.CellRect(2, 1), (TRect{168, 12, 232, 36}));
  EXPECT_EQ(grid.MouseCoord(167, 11), (TGridCoord{1, 0}));
}

TEST(GridsGeometry, ScrolledCellsLeaveTheView) {
  TDrawGrid grid(nullptr);
  grid.SetColCount(10);
  grid.SetRowCount(10);
  EXPECT_EQ(grid.VisibleColCount(), 3);  // 65 + 3 * 65 = 260 wholly shown
  EXPECT_EQ(grid.VisibleRowCount(), 3);
  int topLeftChanges = 0;
  grid.OnTopLeftChanged = TNotifyEvent::Lambda([&](TObject*) { ++topLeftChanges; });
  grid.SetLeftCol(2);
  EXPECT_EQ(topLeftChanges, 1);
  EXPECT_EQ(grid.CellRect(1, 1), TRect{});
  EXPECT_EQ(grid.CellRect(2, 1), (TRect{65, 25, 129, 49}));
  EXPECT_EQ(grid.CellRect(0, 1), (TRect{0, 25, 64, 49}));  // fixed columns stay
  EXPECT_EQ(grid.MouseCoord(70, 30), (TGridCoord{2, 1}));
  // Scrolling stops when the last column is wholly shown.
  grid.SetLeftCol(100);
  EXPECT_EQ(grid.LeftCol(), 7);
  grid.SetLeftCol(0);
  EXPECT_EQ(grid.LeftCol(), 1);
  // Making a cell current brings it into view.
  grid.SetTopRow(5);
  grid.FocusCell(3, 2);
  EXPECT_EQ(grid.TopRow(), 2);
  EXPECT_EQ(grid.LeftCol(), 1);
  grid.FocusCell(4, 2);  // column 4 is only partly shown
  EXPECT_EQ(grid.LeftCol(), 2);
  grid.FocusCell(9, 9);
  EXPECT_EQ(grid.LeftCol(), 7);
  EXPECT_EQ(grid.TopRow(), 7);
}

// ---------------------------------------------------------------------------------------
// Keys and the current cell

TEST_F(GridsForm, KeysMoveTheCurrentCell) {
  struct Case {
    const char* name;
    std::vector<Key> keys;
    const char* cell;
  };
  const Case cases[] = {
      {"right", {{VK_RIGHT}}, "2,1"},
      {"down twice", {{VK_DOWN}, {VK_DOWN}}, "1,3"},
      {"left stops at the fixed column", {{VK_LEFT}}, "1,1"},
      {"up stops at the fixed row", {{VK_UP}}, "1,1"},
      {"end", {{VK_END}}, "9,1"},
      {"ctrl end", {{VK_END, ssCtrl}}, "9,9"},
      {"home", {{VK_RIGHT}, {VK_RIGHT}, {VK_DOWN}, {VK_HOME}}, "1,2"},
      {"ctrl home", {{VK_RIGHT}, {VK_DOWN}, {VK_HOME, ssCtrl}}, "1,1"},
      {"page down", {{VK_NEXT}}, "1,4"},
      {"page up clamps", {{VK_DOWN}, {VK_PRIOR}}, "1,1"},
      {"tab without goTabs leaves the grid", {{VK_TAB}}, "1,1"},
  };
  for (const Case& c : cases) {
    grid->FocusCell(1, 1);
    grid->SetFocus();
    for (const Key& k : c.keys) SendKey(k.key, k.shift, &form);
    EXPECT_EQ(CellOf(grid), c.cell) << c.name;
  }
  EXPECT_EQ(form.ActiveControl(), next);  // the last Tab moved the focus on
}

TEST_F(GridsForm, TabWalksTheCellsWithGoTabs) {
  grid->SetOptions(grid->Options() | goTabs);
  grid->FocusCell(8, 1);
  SendKey(VK_TAB, 0, &form);
  EXPECT_EQ(CellOf(grid), "9,1");
  SendKey(VK_TAB, 0, &form);
  EXPECT_EQ(CellOf(grid), "1,2");
  SendKey(VK_TAB, ssShift, &form);
  EXPECT_EQ(CellOf(grid), "9,1");
  grid->FocusCell(9, 9);
  SendKey(VK_TAB, 0, &form);
  EXPECT_EQ(CellOf(grid), "1,1");  // wraps around
  EXPECT_EQ(form.ActiveControl(), grid);
}

TEST_F(GridsForm, OnSelectCellCanRefuseAMove) {
  std::vector<std::string> asked;
  grid->OnSelectCell = TSelectCellEvent::Lambda([&](TObject*, int col, int row, bool& can) {
    asked.push_back(std::to_string(col) + "," + std::to_string(row));
    if (col == 3) can = false;
  });
  SendKey(VK_RIGHT, 0, &form);
  EXPECT_EQ(gridClicks, 1);
  SendKey(VK_RIGHT, 0, &form);
  EXPECT_EQ(CellOf(grid), "2,1");
  EXPECT_EQ(gridClicks, 1);  // a refused move is no click
  grid->SetCol(3);
  EXPECT_EQ(CellOf(grid), "2,1");
  grid->SetRow(4);
  EXPECT_EQ(CellOf(grid), "2,4");
  EXPECT_EQ(asked, (std::vector<std::string>{"2,1", "3,1", "3,1", "2,4"}));
  EXPECT_EQ(gridClicks, 2);
}

TEST_F(GridsForm, ShiftExtendsTheSelectionWithGoRangeSelect) {
  SendKey(VK_RIGHT, ssShift, &form);
  SendKey(VK_DOWN, ssShift, &form);
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 2, 2}));
  EXPECT_EQ(CellOf(grid), "2,2");
  SendKey(VK_LEFT, ssShift, &form);
  SendKey(VK_LEFT, ssShift, &form);  // at the edge: the range stays
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 1, 2}));
  SendKey(VK_RIGHT, 0, &form);
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 2, 2, 2}));

  grid->SetOptions(grid->Options() & ~TGridOptions(goRangeSelect));
  SendKey(VK_DOWN, ssShift, &form);
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 3, 2, 3}));
  grid->SetOptions(grid->Options() | goRowSelect);
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 3, 9, 3}));

  grid->SetOptions((grid->Options() & ~TGridOptions(goRowSelect)) | goRangeSelect);
  grid->SetSelection({4, 5, 2, 3});
  EXPECT_EQ(CellOf(grid), "2,3");
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 3, 4, 5}));
}

TEST_F(GridsForm, MouseClicksAndDragsSelectCells) {
  ClickControlAt(grid, 140, 55);
  EXPECT_EQ(CellOf(grid), "2,2");
  EXPECT_EQ(gridClicks, 1);
  // Fixed cells are not selectable.
  ClickControlAt(grid, 10, 55);
  EXPECT_EQ(CellOf(grid), "2,2");

  grid->Perform(WM_LBUTTONDOWN, 0, MakeMousePos(70, 30));
  grid->Perform(WM_MOUSEMOVE, 0, MakeMousePos(200, 80));
  grid->Perform(WM_LBUTTONUP, 0, MakeMousePos(200, 80));
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 3, 3}));
  EXPECT_EQ(CellOf(grid), "3,3");
  // Moving without the button down selects nothing.
  grid->Perform(WM_MOUSEMOVE, 0, MakeMousePos(10, 10));
  EXPECT_EQ(CellOf(grid), "3,3");
}

TEST_F(GridsForm, DrawCellsReportsEveryShownCellWithItsState) {
  grid->SetColCount(5);
  grid->SetRowCount(5);
  SendKey(VK_RIGHT, ssShift, &form);
  SendKey(VK_DOWN, ssShift, &form);  // selection 1,1 - 2,2 with 2,2 current
  std::map<std::pair<int, int>, TGridDrawState> states;
  grid->OnDrawCell = TDrawCellEvent::Lambda(
      [&](TObject*, int col, int row, const TRect& rect, TGridDrawState state) {
        EXPECT_EQ(rect, grid->CellRect(col, row));
        EXPECT_TRUE(states.emplace(std::make_pair(col, row), state).second) << "drawn twice";
      });
  auto at = [&](int col, int row) { return states.at({col, row}); };
  grid->DrawCells();
  EXPECT_EQ(states.size(), 25u);
  EXPECT_EQ(at(0, 0), gdFixed);
  EXPECT_EQ(at(3, 0), gdFixed);
  EXPECT_EQ(at(0, 2), gdFixed);
  EXPECT_EQ(at(1, 1), gdSelected);
  EXPECT_EQ(at(2, 1), gdSelected);
  EXPECT_EQ(at(2, 2), gdFocused);
  EXPECT_EQ(at(3, 3), 0);

  grid->SetOptions(grid->Options() | goDrawFocusSelected);
  states.clear();
  grid->DrawCells();
  EXPECT_EQ(at(2, 2), gdFocused | gdSelected);
  // Unfocused: no focus state.
  next->SetFocus();
  states.clear();
  grid->DrawCells();
  EXPECT_EQ(at(2, 2), gdSelected);
}

// ---------------------------------------------------------------------------------------
// In-place editing

class GridsEditing : public GridsForm {
 protected:
  GridsEditing() {
    grid->SetOptions(grid->Options() | goEditing);
    grid->SetCells(1, 1, "old");
    grid->OnSetEditText =
        TSetEditEvent::Lambda([this](TObject*, int col, int row, const AnsiString& text) {
          edits.push_back(std::to_string(col) + "," + std::to_string(row) + "=" + text);
        });
  }
  std::vector<std::string> edits;
};

TEST_F(GridsEditing, TypingReplacesTheCellAndEscapeRestoresIt) {
  TypeText("abc", &form);
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->InplaceEditorText(), "abc");
  EXPECT_EQ(grid->Cells(1, 1), "abc");
  EXPECT_EQ(edits, (std::vector<std::string>{"1,1=a", "1,1=ab", "1,1=abc"}));
  SendKey(VK_BACK, 0, &form);
  EXPECT_EQ(grid->Cells(1, 1), "ab");
  SendKey(VK_ESCAPE, 0, &form);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(grid->Cells(1, 1), "old");
  EXPECT_EQ(edits.back(), "1,1=old");
}

TEST_F(GridsEditing, F2EditsAtTheEndAndEnterTogglesTheEditor) {
  SendKey(VK_F2, 0, &form);
  ASSERT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->InplaceEditorSelLength(), 0);
  TypeText("X", &form);
  EXPECT_EQ(grid->Cells(1, 1), "oldX");
  SendKey(VK_LEFT, 0, &form);  // the caret moves inside the editor, not the cell
  SendKey(VK_DELETE, 0, &form);
  EXPECT_EQ(grid->Cells(1, 1), "old");
  EXPECT_EQ(CellOf(grid), "1,1");
  // Enter closes the editor (the default button stays alone), and opens it again.
  SendKey(VK_RETURN, 0, &form);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(okClicks, 0);
  grid->SetCells(2, 1, "next");
  SendKey(VK_RIGHT, 0, &form);
  ok->SetDefault(false);
  SendKey(VK_RETURN, 0, &form);
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->InplaceEditorText(), "next");
  // Moving to another cell keeps the text and closes the editor.
  TypeText("!", &form);
  SendKey(VK_DOWN, 0, &form);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(grid->Cells(2, 1), "!");
  EXPECT_EQ(CellOf(grid), "2,2");
  // Leaving the grid closes the editor too.
  SendKey(VK_F2, 0, &form);
  next->SetFocus();
  EXPECT_FALSE(grid->EditorMode());
}

TEST_F(GridsEditing, EnterClicksTheDefaultButtonWhenNotEditing) {
  SendKey(VK_RETURN, 0, &form);
  EXPECT_EQ(okClicks, 1);
  EXPECT_FALSE(grid->EditorMode());
}

TEST_F(GridsEditing, EditorNeedsGoEditingAndNoRowSelect) {
  struct Case {
    const char* name;
    TGridOptions options;
    bool opens;
  };
  const Case cases[] = {
      {"goEditing", goEditing, true},
      {"no goEditing", 0, false},
      {"row select", goEditing | goRowSelect, false},
  };
  for (const Case& c : cases) {
    grid->SetOptions(c.options);
    grid->SetCells(1, 1, "old");
    TypeText("z", &form);
    EXPECT_EQ(grid->EditorMode(), c.opens) << c.name;
    EXPECT_EQ(grid->Cells(1, 1), c.opens ? "z" : "old") << c.name;
    grid->SetEditorMode(false);
    SendKey(VK_F2, 0, &form);
    EXPECT_EQ(grid->EditorMode(), c.opens) << c.name;
    grid->SetEditorMode(false);
  }
}

TEST_F(GridsEditing, GetEditTextShapesTheEditorTextAndCellChangesReachIt) {
  grid->OnGetEditText =
      TGetEditEvent::Lambda([](TObject*, int, int, AnsiString& text) { text = "[" + text + "]"; });
  SendKey(VK_F2, 0, &form);
  EXPECT_EQ(grid->InplaceEditorText(), "[old]");
  // A program change of the edited cell shows in the editor.
  grid->SetCells(1, 1, "new");
  EXPECT_EQ(grid->InplaceEditorText(), "[new]");
  EXPECT_TRUE(edits.empty());
}

TEST_F(GridsEditing, AlwaysShowEditorOpensItOnEveryCell) {
  grid->SetOptions(grid->Options() | goAlwaysShowEditor);
  EXPECT_TRUE(grid->EditorMode());
  grid->SetCells(2, 1, "b");
  SendKey(VK_RIGHT, 0, &form);
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->InplaceEditorText(), "b");
  // Enter keeps it open.
  SendKey(VK_RETURN, 0, &form);
  EXPECT_TRUE(grid->EditorMode());
}

TEST_F(GridsEditing, ClickOnTheCurrentCellOpensTheEditor) {
  ClickControlAt(grid, 140, 30);  // 2,1
  EXPECT_FALSE(grid->EditorMode());
  ClickControlAt(grid, 140, 30);
  EXPECT_TRUE(grid->EditorMode());
}

// ---------------------------------------------------------------------------------------
// String grid contents

TEST(GridsStrings, ColsAndRowsAreLiveViewsOfTheCells) {
  TStringGrid grid(nullptr);
  TStrings* header = grid.Rows(0);
  header->SetCommaText("Name,Qty,Price");
  EXPECT_EQ(grid.Cells(1, 0), "Qty");
  EXPECT_EQ(grid.Cells(3, 0), "");
  EXPECT_EQ(header->Count(), 5);

  TStrings* names = grid.Cols(0);
  names->Put(2, "apple");
  grid.SetCells(0, 3, "pear");
  EXPECT_EQ(grid.Cells(0, 2), "apple");
  EXPECT_EQ(names->Get(3), "pear");
  EXPECT_EQ(names->Text(), "Name\r\n\r\napple\r\npear\r\n\r\n");
  EXPECT_EQ(grid.Cols(0), names);  // one view per column

  // Add fills the first empty cell; a full list takes no more.
  EXPECT_EQ(names->Add("plum"), 1);
  EXPECT_EQ(names->Add("fig"), 4);
  EXPECT_EQ(names->Add("kiwi"), -1);
  EXPECT_EQ(grid.Cells(0, 4), "fig");
  ExpectGridError([&] { names->Insert(0, "x"); }, "Cannot insert or delete rows from grid",
                  "insert");
  ExpectGridError([&] { names->Delete(0); }, "Cannot insert or delete rows from grid", "delete");
  EXPECT_THROW(names->Get(5), EStringListError);

  TObject tag;
  grid.SetObjects(0, 2, &tag);
  EXPECT_EQ(names->GetObject(2), &tag);

  // Assigning copies as many lines as fit and empties the rest.
  TStringList source;
  source.SetCommaText("a,b");
  grid.SetCols(0, source);
  EXPECT_EQ(names->CommaText(), "a,b,\"\",\"\",\"\"");
  EXPECT_EQ(grid.Objects(0, 2), nullptr);
  names->Clear();
  EXPECT_EQ(grid.Cells(0, 0), "");
}

TEST(GridsStrings, ShrinkingDropsCellsAndMovesKeepThem) {
  TStringGrid grid(nullptr);
  for (int c = 0; c < 5; ++c)
    for (int r = 0; r < 5; ++r) grid.SetCells(c, r, std::to_string(c) + std::to_string(r));
  TStrings* lastCol = grid.Cols(4);
  grid.SetColCount(3);
  grid.SetRowCount(3);
  EXPECT_EQ(lastCol->Count(), 0);
  EXPECT_THROW(grid.Cells(4, 0), EInvalidGridOperation);
  grid.SetColCount(5);
  grid.SetRowCount(5);
  EXPECT_EQ(grid.Cells(4, 4), "");
  EXPECT_EQ(grid.Cells(2, 2), "22");

  std::vector<std::pair<int, int>> moves;
  grid.OnColumnMoved =
      TMovedEvent::Lambda([&](TObject*, int from, int to) { moves.emplace_back(from, to); });
  EXPECT_EQ(grid.Rows(2)->CommaText(), "02,12,22,\"\",\"\"");
  grid.FocusCell(1, 1);
  grid.MoveColumn(1, 3);
  EXPECT_EQ(grid.Rows(2)->CommaText(), "02,22,\"\",12,\"\"");
  EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{1, 3}}));
  EXPECT_EQ(grid.Col(), 3);  // the current cell moved with its column
  EXPECT_EQ(grid.Cells(3, 1), "11");
  EXPECT_EQ(grid.Cells(1, 1), "21");

  grid.SetColWidths(2, 10);
  grid.DeleteColumn(2);
  EXPECT_EQ(grid.ColCount(), 4);
  EXPECT_EQ(grid.Cells(2, 1), "11");
  EXPECT_EQ(grid.ColWidths(2), 64);
  grid.DeleteRow(0);
  EXPECT_EQ(grid.RowCount(), 4);
  EXPECT_EQ(grid.Cells(0, 0), "01");
}

// ---------------------------------------------------------------------------------------
// Align grid

TEST(GridsAlign, CellWinsOverRowOverColumnOverDefault) {
  TStringAlignGrid grid(nullptr);
  grid.SetAlignCol(2, TAlignment::taRightJustify);
  grid.SetAlignRow(3, TAlignment::taCenter);
  grid.SetAlignCell(2, 3, TAlignment::taLeftJustify);
  grid.SetAlignment(TAlignment::taCenter);
  grid.SetColColor(2, clRed);
  grid.SetRowColor(3, clGreen);
  grid.SetCellColor(2, 3, clBlue);
  grid.SetColHint(2, "column");
  grid.SetRowHint(3, "row");
  grid.SetCellHint(2, 3, "cell");
  grid.SetHint("grid");
  grid.ColFont(2)->SetName("Col Font");
  grid.RowFont(3)->SetName("Row Font");
  grid.CellFont(2, 3)->SetName("Cell Font");

  struct Case {
    int col, row;
    TAlignment alignment;
    TColor color;
    const char* hint;
    const char* font;
  };
  const Case cases[] = {
      {2, 3, TAlignment::taLeftJustify, clBlue, "cell", "Cell Font"},
      {2, 4, TAlignment::taRightJustify, clRed, "column", "Col Font"},
      {1, 3, TAlignment::taCenter, clGreen, "row", "Row Font"},
      {1, 1, TAlignment::taCenter, grid.Color(), "grid", "MS Sans Serif"},
      {0, 1, TAlignment::taCenter, grid.FixedColor(), "grid", "MS Sans Serif"},
  };
  for (const Case& c : cases) {
    const std::string at = std::to_string(c.col) + "," + std::to_string(c.row);
    EXPECT_EQ(grid.GetEffectiveAlignment(c.col, c.row), c.alignment) << at;
    EXPECT_EQ(grid.GetEffectiveColor(c.col, c.row), c.color) << at;
    EXPECT_EQ(grid.GetEffectiveHint(c.col, c.row), c.hint) << at;
    EXPECT_EQ(grid.GetEffectiveFont(c.col, c.row)->GetName(), c.font) << at;
  }
  // Resetting the cell's own values uncovers the row's.
  grid.ResetAlignCell(2, 3);
  grid.ResetCellColor(2, 3);
  grid.ResetCellFont(2, 3);
  grid.SetCellHint(2, 3, "");
  EXPECT_EQ(grid.GetEffectiveAlignment(2, 3), TAlignment::taCenter);
  EXPECT_EQ(grid.GetEffectiveColor(2, 3), clGreen);
  EXPECT_EQ(grid.GetEffectiveFont(2, 3)->GetName(), "Row Font");
  EXPECT_EQ(grid.GetEffectiveHint(2, 3), "row");
  EXPECT_FALSE(grid.AlignCell(2, 3).has_value());
  EXPECT_FALSE(grid.HasCellFont(2, 3));
  // A cell font starts as a copy of the font that applied.
  EXPECT_EQ(grid.CellFont(2, 3)->GetName(), "Row Font");
  EXPECT_TRUE(grid.HasCellFont(2, 3));

  ExpectGridError([&] { grid.SetAlignCol(5, TAlignment::taCenter); }, "Grid index out of range",
                  "column");
  ExpectGridError([&] { grid.CellFont(0, 5); }, "Grid index out of range", "cell");
}

TEST(GridsAlign, HintAtFollowsShowCellHints) {
  TStringAlignGrid grid(nullptr);
  grid.SetHint("grid");
  grid.SetCellHint(1, 1, "one-one");
  EXPECT_TRUE(grid.ShowCellHints());
  EXPECT_EQ(grid.HintAt(70, 30), "one-one");
  EXPECT_EQ(grid.HintAt(140, 30), "grid");  // no hint of its own
  EXPECT_EQ(grid.HintAt(-5, 30), "grid");   // outside the cells
  grid.SetShowCellHints(false);
  EXPECT_EQ(grid.HintAt(70, 30), "grid");
  SetPropAsString(&grid, "ShowCellHints", "True");
  EXPECT_EQ(grid.HintAt(70, 30), "one-one");
}

TEST(GridsAlign, AttributesMoveWithTheirColumnsAndGoWithThem) {
  TStringAlignGrid grid(nullptr);
  grid.SetAlignCol(1, TAlignment::taRightJustify);
  grid.SetCellHint(1, 2, "hint");
  grid.ColumnPickList(1)->SetCommaText("yes,no");
  grid.SetColumnEditor(1, TColumnEditorKind::cePickList);
  grid.SetRowColor(2, clYellow);

  grid.MoveColumn(1, 3);
  EXPECT_EQ(grid.AlignCol(3), TAlignment::taRightJustify);
  EXPECT_FALSE(grid.AlignCol(1).has_value());
  EXPECT_EQ(grid.CellHint(3, 2), "hint");
  EXPECT_EQ(grid.ColumnPickList(3)->CommaText(), "yes,no");
  EXPECT_EQ(grid.ColumnPickList(1)->Count(), 0);
  EXPECT_EQ(grid.ColumnEditor(3), TColumnEditorKind::cePickList);
  EXPECT_EQ(grid.ColumnEditor(1), TColumnEditorKind::ceNone);

  grid.MoveRow(2, 1);
  EXPECT_EQ(grid.CellHint(3, 1), "hint");
  EXPECT_EQ(grid.RowColor(1), clYellow);

  // Dropped columns take their attributes along; new ones start plain.
  grid.SetColCount(3);
  grid.SetColCount(5);
  EXPECT_FALSE(grid.AlignCol(3).has_value());
  EXPECT_EQ(grid.CellHint(3, 1), "");
  EXPECT_EQ(grid.ColumnPickList(3)->Count(), 0);
  EXPECT_EQ(grid.ColumnEditor(3), TColumnEditorKind::ceNone);
  EXPECT_EQ(grid.RowColor(1), clYellow);
}

}  // namespace
