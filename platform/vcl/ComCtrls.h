// Common controls: tab and page controls, the list view, the tree view, the tool bar, the
// status bar and the animation player.
//
// Layouts are fixed so that clicks can be placed without a display: tabs are 20 pixels high
// and (bytes of the caption) * 6 + 12 pixels wide; list and tree rows are 17 pixels high,
// below a 20-pixel column header in the list view's report style.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/TStringList.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ImgList.h"

namespace vcl {

class TPopupMenu;
class TMenuItem;
class TCustomTabControl;
class TPageControl;
class TTabSheet;
class TListView;
class TListItems;
class TTreeView;
class TTreeNodes;
class TToolBar;
class TStatusBar;

// =========================================================================================
// Tab controls

enum class TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
const TTypeInfo* TypeTabPosition();
enum class TTabStyle { tsTabs, tsButtons, tsFlatButtons };
const TTypeInfo* TypeTabStyle();

// Asks before the user moves to another tab; clearing the flag keeps the current one.
using TTabChangingEvent = TEvent<TObject*, bool&>;
// Draws tab `index` (among the visible tabs) of an owner-drawn tab control in `rect`.
using TDrawTabEvent = TEvent<TCustomTabControl*, int, const TRect&, bool>;

// What tab and page controls share: the tab strip's layout and style, the user's tab changes
// (clicks on a tab, Ctrl+Tab and Ctrl+Shift+Tab, the left and right arrows), and owner
// drawing. Tabs are counted among the visible tabs only.
//
// The tab strip lies along the TabPosition edge. Along the top or bottom, tabs run left to
// right (a MultiLine control starts another row when a tab would cross the right edge);
// along the left or right edge they run top to bottom with the tab's length as height.
class TCustomTabControl : public TWinControl {
  VCL_DECLARE_COMPONENT(TCustomTabControl)
 public:
  explicit TCustomTabControl(TComponent* owner);
  ~TCustomTabControl() override;

  // The visible tabs.
  virtual int TabCount() const = 0;
  virtual AnsiString TabCaption(int tabIndex) const = 0;
  virtual int TabImageIndex(int tabIndex) const { return -1; }
  // The selected tab, -1 when none. Setting it selects the tab without asking OnChanging
  // (values outside the tabs are ignored).
  virtual int TabIndex() const = 0;
  virtual void SetTabIndex(int tabIndex) = 0;

  TTabPosition TabPosition() const { return tabPosition_; }
  void SetTabPosition(TTabPosition value);
  TTabStyle Style() const { return style_; }
  void SetStyle(TTabStyle value);
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool value);
  bool HotTrack() const { return hotTrack_; }
  void SetHotTrack(bool value);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool value);
  // Fixed tab sizes; 0 uses the caption's width and the standard height.
  int TabHeight() const { return tabHeight_; }
  void SetTabHeight(int value);
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int value);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* images);

  // The rectangle of visible tab `tabIndex` in client coordinates (empty outside the tabs).
  TRect TabRect(int tabIndex) const;
  // The visible tab at a client point, or -1.
  int IndexOfTabAt(int x, int y) const;
  // The area inside the border that the tabs leave free for pages and other children.
  TRect DisplayRect() const;

  // Selects a tab as the user does: nothing when it is already selected or out of range;
  // otherwise OnChanging may refuse, then the tab is selected and OnChange runs. True when
  // the selection changed.
  bool SelectTabByUser(int tabIndex);
  // The owner's share of painting an owner-drawn control: runs DrawTab (OnDrawTab) for each
  // visible tab with its rectangle and whether it is the selected one; nothing when not
  // owner-drawn. Paint calls it with Canvas() bound, after drawing the tab shapes.
  void DrawTabs();

  bool WantsKey(std::uint16_t key, TShiftState shift) const override;
  // Ctrl+Tab (Ctrl+Shift+Tab) from a control inside moves to the next (previous) tab.
  bool ChildDialogKey(std::uint16_t key, TShiftState shift) override;
  void KeyDown(std::uint16_t& key, TShiftState shift) override;

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;
  TDrawTabEvent OnDrawTab;

 protected:
  // Runs OnChanging; false when the handler refuses.
  virtual bool CanChange();
  // Runs OnChange.
  virtual void Change();
  // Draws one tab of an owner-drawn control on Canvas(); runs OnDrawTab by default.
  virtual void DrawTab(int tabIndex, const TRect& rect, bool active);
  // The tab strip (raised tabs, the selected one joined to the page), the page frame,
  // captions and images (or DrawTabs when owner-drawn) and scroll arrows when the tabs do
  // not fit.
  void Paint() override;
  // Ctrl+Tab and Ctrl+Shift+Tab: the next or previous tab, wrapping around.
  virtual void SelectNextTabByUser(bool goForward);
  // Called when tabs appear, disappear, move or change their caption.
  virtual void TabsChanged();
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct Layout {
    std::vector<TRect> tabs;
    int stripDepth = 0;  // height (or width, on the sides) of all tab rows
  };
  Layout ComputeLayout() const;
  void ImagesChanged(TObject*);

  TTabPosition tabPosition_ = TTabPosition::tpTop;
  TTabStyle style_ = TTabStyle::tsTabs;
  bool ownerDraw_ = false;
  bool hotTrack_ = false;
  bool multiLine_ = false;
  int tabHeight_ = 0;
  int tabWidth_ = 0;
  TImageList* images_ = nullptr;
  TChangeLink imageLink_;
};

// A tab control whose tabs are the lines of a string list; the pages are up to the program.
class TTabControl : public TCustomTabControl {
  VCL_DECLARE_COMPONENT(TTabControl)
 public:
  explicit TTabControl(TComponent* owner);
  ~TTabControl() override;

  TStrings* Tabs() const { return tabs_; }
  void SetTabs(TStrings* tabs);  // copies the strings

  int TabCount() const override { return tabs_->Count(); }
  AnsiString TabCaption(int tabIndex) const override;
  int TabIndex() const override { return tabIndex_; }
  void SetTabIndex(int tabIndex) override;

 private:
  void TabListChanged();
  TStringList* tabs_;
  int tabIndex_ = -1;
};

// One page of a page control. Only the active page is visible; OnShow and OnHide run as the
// page becomes visible or hidden.
class TTabSheet : public TWinControl {
  VCL_DECLARE_COMPONENT(TTabSheet)
 public:
  explicit TTabSheet(TComponent* owner);
  // Leaves its page control first (the active page moves on to a neighbour).
  ~TTabSheet() override;

  TPageControl* PageControl() const { return pageControl_; }
  // Moves the sheet into `pageControl` (as its last page), or out of any with nullptr.
  void SetPageControl(TPageControl* pageControl);
  // Position among the pages; -1 outside a page control. Setting moves the page; values
  // outside the pages raise EListError "List index out of bounds (<index>)".
  int PageIndex() const;
  void SetPageIndex(int index);
  // Position among the visible tabs; -1 when the tab is hidden or there is no page control.
  int TabIndex() const;
  bool TabVisible() const { return tabVisible_; }
  // A page with a hidden tab can still be made active by the program (wizard pages), but the
  // user cannot reach it.
  void SetTabVisible(bool value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  bool Highlighted() const { return highlighted_; }
  void SetHighlighted(bool value);

  // Giving a page control as parent makes the sheet one of its pages.
  void SetParent(TWinControl* parent) override;

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

 protected:
  virtual void DoShow();
  virtual void DoHide();
  void VisibleChanged() override;
  void TextChanged() override;
  // Fills the page with its colour.
  void Paint() override;

 private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
  int imageIndex_ = -1;
  bool highlighted_ = false;
};

// A tab control whose tabs select pages (tab sheets). Programmatic changes (ActivePage,
// ActivePageIndex, TabIndex) run no OnChanging or OnChange; user changes (clicks on a tab,
// Ctrl+Tab, SelectNextPage) do.
class TPageControl : public TCustomTabControl {
  VCL_DECLARE_COMPONENT(TPageControl)
 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Raises EListError "List index out of bounds (<index>)".
  TTabSheet* Pages(int index) const;
  TTabSheet* ActivePage() const { return activePage_; }
  // Shows `page` and hides the previous one (pages of other controls are ignored). When the
  // focus was on the previous page it moves to the first control of the new one.
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  // An index outside the pages leaves no page active.
  void SetActivePageIndex(int index);

  // The page after (or before) `current`, wrapping around, skipping pages with hidden tabs
  // when checkTabVisible; `current` itself when it is the only candidate; nullptr when none.
  // A `current` that is not a page starts from the first (or last) page.
  TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
  // Moves to the next (or previous) page as the user does: OnChanging, then OnChange.
  void SelectNextPage(bool goForward, bool checkTabVisible = true);
  // A click on visible tab `tabIndex`: as SelectTabByUser.
  bool SelectPageByUser(int tabIndex) { return SelectTabByUser(tabIndex); }
  // The page of visible tab `tabIndex`, or nullptr.
  TTabSheet* PageForTab(int tabIndex) const;

  int TabCount() const override;
  AnsiString TabCaption(int tabIndex) const override;
  int TabImageIndex(int tabIndex) const override;
  int TabIndex() const override;
  void SetTabIndex(int tabIndex) override;

 protected:
  void SelectNextTabByUser(bool goForward) override;
  void TabsChanged() override;
  void Resize() override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void MovePage(TTabSheet* page, int index);
  void PlacePages();
  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
};

// =========================================================================================
// List view

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
const TTypeInfo* TypeViewStyle();
enum class TSortType { stNone, stData, stText, stBoth };
const TTypeInfo* TypeSortType();
enum class TItemChange { ctText, ctImage, ctState };

class TListItem;
class TListColumn;

using TLVCompareEvent = TEvent<TObject*, TListItem*, TListItem*, int, int&>;
using TLVColumnClickEvent = TEvent<TObject*, TListColumn*>;
using TLVSelectItemEvent = TEvent<TObject*, TListItem*, bool>;
using TLVChangeEvent = TEvent<TObject*, TListItem*, TItemChange>;
using TLVChangingEvent = TEvent<TObject*, TListItem*, TItemChange, bool&>;
using TLVEditedEvent = TEvent<TObject*, TListItem*, AnsiString&>;
using TLVEditingEvent = TEvent<TObject*, TListItem*, bool&>;
using TLVDeletedEvent = TEvent<TObject*, TListItem*>;
// A sort order for CustomSort: negative when the first item goes first.
using TLVCompare = std::function<int(TListItem*, TListItem*, int)>;

// A column of the report style.
class TListColumn : public TCollectionItem {
  VCL_DECLARE_PERSISTENT(TListColumn)
 public:
  explicit TListColumn(TCollection* collection);

  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& caption);
  int Width() const { return width_; }
  void SetWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);

  void Assign(const TPersistent* source) override;
  AnsiString DisplayName() const override;

 private:
  AnsiString caption_;
  int width_ = 50;
  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool autoSize_ = false;
  int imageIndex_ = -1;
};

class TListColumns : public TCollection {
  VCL_DECLARE_PERSISTENT(TListColumns)
 public:
  explicit TListColumns(TListView* owner);
  TListView* Owner() const { return owner_; }
  TListColumn* Add();
  // Raises EListError "List index out of bounds (<index>)".
  TListColumn* Items(int index) const;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TListView* owner_;
};

// One item: a caption with sub-items (the other columns of the report style), images,
// state and a pointer for the program's own data.
class TListItem : public TPersistent {
  VCL_DECLARE_PERSISTENT(TListItem)
 public:
  explicit TListItem(TListItems* owner);
  ~TListItem() override;

  TListItems* Owner() const { return owner_; }
  TListView* ListView() const;
  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& caption);
  TStrings* SubItems() const { return subItems_; }
  void SetSubItems(TStrings* subItems);  // copies the strings
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  void* Data() const { return data_; }
  void SetData(void* data);
  // State changes ask OnChanging first and may be refused.
  bool Selected() const { return (state_ & kSelected) != 0; }
  void SetSelected(bool value);
  bool Focused() const { return (state_ & kFocused) != 0; }
  void SetFocused(bool value);
  bool Checked() const { return (state_ & kChecked) != 0; }
  void SetChecked(bool value);
  // Position in the list; -1 once removed.
  int Index() const;
  // Removes and frees the item (OnDeletion runs first).
  void Delete();
  // Starts editing the caption in place; false when the list view is read-only or
  // OnEditing refuses.
  bool EditCaption();
  // Ends editing this item without taking the text.
  void CancelEdit();
  // Scrolls the item into view.
  void MakeVisible(bool partialOK = false);
  // The item's rectangle in the list view's client coordinates.
  TRect DisplayRect() const;

  // Copies caption, sub-items, image index, data and the check mark.
  void Assign(const TPersistent* source) override;

 private:
  friend class TListItems;
  friend class TListView;
  static constexpr unsigned kSelected = 1, kFocused = 2, kChecked = 4;
  TListItems* owner_;
  AnsiString caption_;
  TStringList* subItems_;
  int imageIndex_ = -1;
  void* data_ = nullptr;
  unsigned state_ = 0;
  bool deleting_ = false;
};

// The items of a list view, which owns them.
class TListItems : public TPersistent {
  VCL_DECLARE_PERSISTENT(TListItems)
 public:
  explicit TListItems(TListView* owner);
  // Frees the items without events.
  ~TListItems() override;

  TListView* Owner() const { return owner_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError "List index out of bounds (<index>)".
  TListItem* Item(int index) const;
  TListItem* operator[](int index) const { return Item(index); }
  // A new, empty item at the end (OnInsert runs).
  TListItem* Add();
  // A new item before `index` (0..Count).
  TListItem* Insert(int index);
  // Removes and frees item `index`; OnDeletion runs while it is still listed.
  void Delete(int index);
  // Deletes every item (OnDeletion runs for each).
  void Clear();
  int IndexOf(const TListItem* item) const;
  // Between BeginUpdate and EndUpdate repainting and automatic sorting wait for the end.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Replaces the items with copies of `source`'s.
  void Assign(const TPersistent* source) override;

 private:
  friend class TListItem;
  friend class TListView;
  void DeleteItem(TListItem* item);
  TListView* owner_;
  std::vector<TListItem*> items_;
  int updateCount_ = 0;
};

// A list of items in one of four styles. Selection follows the mouse (a click selects the
// item under it; in a MultiSelect list Ctrl toggles and Shift extends, given as MK_CONTROL
// and MK_SHIFT in the button message's wParam) and the keys (arrows, Home, End, Page Up and
// Down; Shift extends in a MultiSelect list, Space toggles check boxes, F2 edits the
// caption). Every state change of an item asks OnChanging (which may refuse) and then runs
// OnChange and, when the selection changed, OnSelectItem.
//
// In-place editing: EditCaption starts it; while editing, typed characters replace the whole
// caption at first and are appended after that, Backspace removes the last character, Enter
// (or EndEdit(true), or leaving the control, or a click) ends it through OnEdited, Escape
// (or EndEdit(false)) cancels it.
//
// Sorting: with SortType other than stNone the list sorts when SortType is set, when a
// caption changes (stText, stBoth) and when Data changes (stData, stBoth). Sorting uses
// OnCompare when it is assigned, else the captions (AnsiCompareText); it is stable.
class TListView : public TWinControl {
  VCL_DECLARE_COMPONENT(TListView)
 public:
  explicit TListView(TComponent* owner);
  ~TListView() override;

  TListColumns* Columns() const { return columns_; }
  void SetColumns(TListColumns* columns);  // copies the columns
  TListItems* Items() const { return items_; }
  void SetItems(TListItems* items);  // copies the items

  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle value);
  // Turning multiple selection off keeps only the first selected item selected.
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool value);
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  bool ShowColumnHeaders() const { return showColumnHeaders_; }
  void SetShowColumnHeaders(bool value);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool value);
  bool ColumnClick() const { return columnClick_; }
  void SetColumnClick(bool value);
  TSortType SortType() const { return sortType_; }
  void SetSortType(TSortType value);
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool value);
  bool GridLines() const { return gridLines_; }
  void SetGridLines(bool value);
  TImageList* SmallImages() const { return smallImages_; }
  void SetSmallImages(TImageList* images);
  TImageList* LargeImages() const { return largeImages_; }
  void SetLargeImages(TImageList* images);

  // The first selected item; setting selects an item (nullptr clears the selection).
  TListItem* Selected() const;
  void SetSelected(TListItem* item);
  TListItem* ItemFocused() const;
  void SetItemFocused(TListItem* item);
  // Index of the first selected item, -1 when none. Setting -1 clears the selection; other
  // values outside the items raise EListError "List index out of bounds (<index>)".
  int ItemIndex() const;
  void SetItemIndex(int index);
  int SelCount() const;
  void ClearSelection();
  void SelectAll();

  // The first row shown in the report style.
  TListItem* TopItem() const;
  // Rows that fit below the header in the report style (at least one).
  int VisibleRowCount() const;
  // The rectangle of item `index` in client coordinates (empty for a bad index).
  TRect ItemRect(int index) const;
  // The item at a client point, or nullptr. In the report style a point in the first column
  // hits the row, any column when RowSelect.
  TListItem* GetItemAt(int x, int y) const;
  // The column whose header is at a client point (report style with headers), or nullptr.
  TListColumn* GetColumnAt(int x, int y) const;
  // The first item after `startIndex` (from it when inclusive) whose caption equals `value`
  // (starts with it when partial), ignoring case, wrapping around when asked; nullptr if none.
  TListItem* FindCaption(int startIndex, const AnsiString& value, bool partial, bool inclusive,
                         bool wrap) const;

  // Sorts by OnCompare (data 0) or, without a handler, by caption. Always true.
  bool AlphaSort();
  // Sorts by `compare` with `data`; an empty `compare` uses OnCompare (or the captions).
  bool CustomSort(TLVCompare compare, int data);

  bool IsEditing() const { return editItem_ != nullptr; }
  TListItem* EditingItem() const { return editItem_; }
  // The in-place editor's text ("" when not editing); setting it is ignored when not editing.
  const AnsiString& EditText() const { return editText_; }
  void SetEditText(const AnsiString& text);
  void EndEdit(bool accept);

  bool WantsKey(std::uint16_t key, TShiftState shift) const override;
  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void DoExit() override;
  void WndProc(TMessage& message) override;
  void Click() override;

  TLVCompareEvent OnCompare;
  TLVColumnClickEvent OnColumnClick;
  TLVSelectItemEvent OnSelectItem;
  TLVChangeEvent OnChange;
  TLVChangingEvent OnChanging;
  TLVEditedEvent OnEdited;
  TLVEditingEvent OnEditing;
  TLVDeletedEvent OnDeletion;
  TLVDeletedEvent OnInsert;

 protected:
  virtual bool CanChange(TListItem* item, TItemChange change);
  virtual void Change(TListItem* item, TItemChange change);
  virtual bool CanEdit(TListItem* item);
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;
  // The items in the view style (with the column header in the report style), the
  // selection, the focus rectangle, the caption being edited, scroll bars where the items do
  // not fit, and a sunken border.
  void Paint() override;

 private:
  friend class TListItem;
  friend class TListItems;
  friend class TListColumns;
  // Sets an item's state bits through OnChanging, OnChange and OnSelectItem.
  bool SetItemState(TListItem* item, unsigned state);
  // Selects or deselects one item; in a single-select list selecting deselects the others.
  bool SelectItem(TListItem* item, bool select);
  // Makes `item` the only selected item and the focused one; false when refused.
  bool SelectOnly(TListItem* item);
  // Selects the range from the anchor to `item` and focuses `item`.
  void SelectRange(TListItem* item);
  void FocusItem(TListItem* item);
  void MoveByKey(int index, TShiftState shift);
  void ItemCaptionChanged(TListItem* item);
  void ItemDataChanged(TListItem* item);
  void ItemRemoved(TListItem* item);
  void SortIfNeeded();
  bool Sort(const TLVCompare& compare, int data);
  int HeaderHeight() const;
  int ColumnsWidth() const;
  void ImagesChanged(TObject*);

  TListColumns* columns_;
  TListItems* items_;
  TViewStyle viewStyle_ = TViewStyle::vsIcon;
  bool multiSelect_ = false;
  bool rowSelect_ = false;
  bool readOnly_ = false;
  bool showColumnHeaders_ = true;
  bool hideSelection_ = true;
  bool columnClick_ = true;
  TSortType sortType_ = TSortType::stNone;
  bool checkboxes_ = false;
  bool gridLines_ = false;
  TImageList* smallImages_ = nullptr;
  TImageList* largeImages_ = nullptr;
  TChangeLink smallLink_;
  TChangeLink largeLink_;
  TListItem* anchor_ = nullptr;  // where a Shift range starts
  int topIndex_ = 0;
  bool sortPending_ = false;
  TListItem* editItem_ = nullptr;
  AnsiString editText_;
  bool editReplaceAll_ = false;
  TShiftState mouseShift_ = 0;  // modifiers of the button message being handled
  bool headerPress_ = false;
  bool headerRelease_ = false;
};

// =========================================================================================
// Tree view

class TTreeNode;
using TTVChangedEvent = TEvent<TObject*, TTreeNode*>;
using TTVChangingEvent = TEvent<TObject*, TTreeNode*, bool&>;
using TTVExpandingEvent = TEvent<TObject*, TTreeNode*, bool&>;
using TTVExpandedEvent = TEvent<TObject*, TTreeNode*>;

// A node of a tree view: text, children, images and the program's data pointer.
class TTreeNode : public TPersistent {
  VCL_DECLARE_PERSISTENT(TTreeNode)
 public:
  explicit TTreeNode(TTreeNodes* owner);
  ~TTreeNode() override;

  TTreeNodes* Owner() const { return owner_; }
  TTreeView* TreeView() const;
  const AnsiString& Text() const { return text_; }
  void SetText(const AnsiString& text);
  TTreeNode* Parent() const { return parent_; }
  int Count() const { return static_cast<int>(children_.size()); }
  // Raises EListError "List index out of bounds (<index>)".
  TTreeNode* Item(int index) const;
  TTreeNode* operator[](int index) const { return Item(index); }
  int IndexOf(const TTreeNode* child) const;
  void* Data() const { return data_; }
  void SetData(void* data) { data_ = data; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  int SelectedIndex() const { return selectedIndex_; }
  void SetSelectedIndex(int value);
  int StateIndex() const { return stateIndex_; }
  void SetStateIndex(int value);
  // A node without children can still show an expand button (children added on demand in
  // OnExpanding).
  bool HasChildren() const { return hasChildren_ || !children_.empty(); }
  void SetHasChildren(bool value);

  bool Expanded() const { return expanded_; }
  // Expanding asks OnExpanding, collapsing OnCollapsing; OnExpanded and OnCollapsed follow.
  void SetExpanded(bool value);
  void Expand(bool recurse);
  void Collapse(bool recurse);
  bool Selected() const;
  void SetSelected(bool value);
  // True when every ancestor is expanded.
  bool IsVisible() const;

  // Position among its siblings.
  int Index() const;
  // Depth: 0 for top-level nodes.
  int Level() const;
  // Position in the whole tree in depth-first order.
  int AbsoluteIndex() const;
  TTreeNode* GetFirstChild() const;
  TTreeNode* GetLastChild() const;
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  // The next and previous node in depth-first order over the whole tree.
  TTreeNode* GetNext() const;
  TTreeNode* GetPrev() const;
  // The same over the nodes that are shown (all ancestors expanded).
  TTreeNode* GetNextVisible() const;
  TTreeNode* GetPrevVisible() const;
  // The node's row in the tree view's client coordinates (empty when not shown).
  TRect DisplayRect() const;

  // Removes and frees the node and its children (OnDeletion runs for each, children first).
  void Delete();
  void DeleteChildren();

 private:
  friend class TTreeNodes;
  friend class TTreeView;
  TTreeNodes* owner_;
  TTreeNode* parent_ = nullptr;
  std::vector<TTreeNode*> children_;
  AnsiString text_;
  void* data_ = nullptr;
  int imageIndex_ = -1;
  int selectedIndex_ = -1;
  int stateIndex_ = -1;
  bool hasChildren_ = false;
  bool expanded_ = false;
  bool deleting_ = false;
};

// The nodes of a tree view, which owns them. Item(i) walks the whole tree depth first.
class TTreeNodes : public TPersistent {
  VCL_DECLARE_PERSISTENT(TTreeNodes)
 public:
  explicit TTreeNodes(TTreeView* owner);
  // Frees the nodes without events.
  ~TTreeNodes() override;

  TTreeView* Owner() const { return owner_; }
  // All nodes, children included.
  int Count() const;
  // Raises EListError "List index out of bounds (<index>)".
  TTreeNode* Item(int index) const;
  TTreeNode* operator[](int index) const { return Item(index); }
  TTreeNode* GetFirstNode() const;
  // A node after the last sibling of `sibling` (at the top level for nullptr).
  TTreeNode* Add(TTreeNode* sibling, const AnsiString& text);
  TTreeNode* AddObject(TTreeNode* sibling, const AnsiString& text, void* data);
  // A node before the first sibling of `sibling`.
  TTreeNode* AddFirst(TTreeNode* sibling, const AnsiString& text);
  // A last (first) child of `parent` (a top-level node for nullptr).
  TTreeNode* AddChild(TTreeNode* parent, const AnsiString& text);
  TTreeNode* AddChildObject(TTreeNode* parent, const AnsiString& text, void* data);
  TTreeNode* AddChildFirst(TTreeNode* parent, const AnsiString& text);
  // A node just before `sibling` (at the end of the top level for nullptr).
  TTreeNode* Insert(TTreeNode* sibling, const AnsiString& text);
  void Delete(TTreeNode* node);
  // Deletes every node (OnDeletion runs for each); the selection is dropped silently.
  void Clear();
  void BeginUpdate();
  void EndUpdate();

  // Replaces the nodes with copies of `source`'s (texts, images, data, structure).
  void Assign(const TPersistent* source) override;

 private:
  friend class TTreeNode;
  friend class TTreeView;
  std::vector<TTreeNode*>& SiblingList(TTreeNode* parent);
  TTreeNode* InsertNode(TTreeNode* parent, int index, const AnsiString& text, void* data);
  void DeleteNode(TTreeNode* node, bool moveSelection);
  const std::vector<TTreeNode*>& Flat() const;
  void Changed();
  TTreeView* owner_;
  std::vector<TTreeNode*> roots_;
  mutable std::vector<TTreeNode*> flat_;
  mutable bool flatValid_ = false;
  int updateCount_ = 0;
  bool clearing_ = false;
};

// A tree of nodes. Rows are 17 pixels high, one per shown node; a node's expand button sits
// Indent pixels to the left of its text, which starts at (Level + 1) * Indent (Level * Indent
// without ShowRoot). A click on the button expands or collapses the node, a click elsewhere
// on the row selects it, a double click toggles it. Keys: Up, Down, Home, End move the
// selection; Right expands (or goes to the first child), Left collapses (or goes to the
// parent). Selecting asks OnChanging, expands the ancestors and runs OnChange.
class TTreeView : public TWinControl {
  VCL_DECLARE_COMPONENT(TTreeView)
 public:
  explicit TTreeView(TComponent* owner);
  ~TTreeView() override;

  TTreeNodes* Items() const { return items_; }
  void SetItems(TTreeNodes* items);  // copies the nodes
  TTreeNode* Selected() const { return selected_; }
  void SetSelected(TTreeNode* node);
  TTreeNode* TopItem() const;
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* images);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool ShowLines() const { return showLines_; }
  void SetShowLines(bool value);
  bool ShowRoot() const { return showRoot_; }
  void SetShowRoot(bool value);
  bool ShowButtons() const { return showButtons_; }
  void SetShowButtons(bool value);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool value);
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool value);
  bool AutoExpand() const { return autoExpand_; }
  void SetAutoExpand(bool value) { autoExpand_ = value; }
  int Indent() const { return indent_; }
  void SetIndent(int value);

  void FullExpand();
  void FullCollapse();
  // The shown node at a client point, or nullptr.
  TTreeNode* GetNodeAt(int x, int y) const;

  bool WantsKey(std::uint16_t key, TShiftState shift) const override;
  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void DblClick() override;

  TTVChangedEvent OnChange;
  TTVChangingEvent OnChanging;
  TTVExpandingEvent OnExpanding;
  TTVExpandedEvent OnExpanded;
  TTVExpandingEvent OnCollapsing;
  TTVExpandedEvent OnCollapsed;
  TTVExpandedEvent OnDeletion;

 protected:
  virtual bool CanChange(TTreeNode* node);
  virtual void Change(TTreeNode* node);
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;
  // The shown nodes with their lines, expand buttons and images, the selection, a scroll
  // bar when they do not fit, and a sunken border.
  void Paint() override;

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  // The row of `node` among the shown nodes, -1 when hidden.
  int RowOf(const TTreeNode* node) const;
  void ImagesChanged(TObject*);
  TTreeNodes* items_;
  TTreeNode* selected_ = nullptr;
  TImageList* images_ = nullptr;
  TChangeLink imageLink_;
  bool readOnly_ = false;
  bool showLines_ = true;
  bool showRoot_ = true;
  bool showButtons_ = true;
  bool hideSelection_ = true;
  bool rowSelect_ = false;
  bool autoExpand_ = false;
  int indent_ = 19;
};

// =========================================================================================
// Tool bar

enum class TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };
const TTypeInfo* TypeToolButtonStyle();

// A button of a tool bar. Check buttons toggle Down when clicked; grouped check buttons next
// to each other form a group in which one at most is down (clicking the down one keeps it
// down unless AllowAllUp). A drop-down button's right part (14 pixels) pops up DropdownMenu
// instead of clicking. Separators and dividers never click.
class TToolButton : public TGraphicControl {
  VCL_DECLARE_COMPONENT(TToolButton)
 public:
  explicit TToolButton(TComponent* owner);
  ~TToolButton() override;

  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle value);
  TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(TPopupMenu* menu);
  TMenuItem* MenuItem() const { return menuItem_; }
  void SetMenuItem(TMenuItem* item);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  bool Down() const { return down_; }
  // Putting a grouped button down puts the others of its group up.
  void SetDown(bool value);
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool value);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value);
  bool Indeterminate() const { return indeterminate_; }
  void SetIndeterminate(bool value);
  bool Marked() const { return marked_; }
  void SetMarked(bool value);
  // The next button starts a new row.
  bool Wrap() const { return wrap_; }
  void SetWrap(bool value);
  // Position among the tool bar's buttons, -1 outside a tool bar.
  int Index() const;
  TToolBar* ToolBar() const { return toolBar_; }

  void Click() override;
  // The arrow of a drop-down button: pops DropdownMenu up below the button (at the
  // screen point of the button's bottom-left corner). False when there is no menu.
  virtual bool DropDownClick();
  void SetParent(TWinControl* parent) override;

 protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void TextChanged() override;
  void VisibleChanged() override;
  void Notification(TComponent* component, TOperation operation) override;
  // A flat or raised button face (pressed while down or held), the tool bar's image and
  // caption, the drop-down arrow; a divider's etched line.
  void Paint() override;

 private:
  friend class TToolBar;
  // The buttons of this one's group (itself included), in order.
  std::vector<TToolButton*> Group() const;
  TToolBar* toolBar_ = nullptr;
  TToolButtonStyle style_ = TToolButtonStyle::tbsButton;
  TPopupMenu* dropdownMenu_ = nullptr;
  TMenuItem* menuItem_ = nullptr;
  int imageIndex_ = -1;
  bool down_ = false;
  bool grouped_ = false;
  bool allowAllUp_ = false;
  bool indeterminate_ = false;
  bool marked_ = false;
  bool wrap_ = false;
  bool arrowPress_ = false;    // the press was on the drop-down arrow
  bool arrowRelease_ = false;  // ... and its release is about to click
};

// A row of tool buttons laid out left to right from Indent, in the order they were added:
// buttons ButtonWidth wide (14 more with a drop-down arrow; wide enough for the caption when
// ShowCaptions), separators and dividers 8 wide. A button with Wrap ends its row, and a
// Wrapable bar starts a new row where a button would cross the right edge.
class TToolBar : public TWinControl {
  VCL_DECLARE_COMPONENT(TToolBar)
 public:
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;

  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  // Raises EListError "List index out of bounds (<index>)".
  TToolButton* Buttons(int index) const;
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* images);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool value);
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int value);
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int value);
  int Indent() const { return indent_; }
  void SetIndent(int value);
  bool Wrapable() const { return wrapable_; }
  void SetWrapable(bool value);

  // Places the buttons again (after their sizes or styles changed).
  void ArrangeButtons();

 protected:
  void Resize() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Fills the bar with its colour; the buttons paint themselves.
  void Paint() override;

 private:
  friend class TToolButton;
  void InsertButton(TToolButton* button);
  void RemoveButton(TToolButton* button);
  int WidthOf(const TToolButton* button) const;
  void ImagesChanged(TObject*);
  std::vector<TToolButton*> buttons_;
  TImageList* images_ = nullptr;
  TChangeLink imageLink_;
  bool flat_ = false;
  bool showCaptions_ = false;
  int buttonWidth_ = 23;
  int buttonHeight_ = 22;
  int indent_ = 0;
  bool wrapable_ = true;
  bool arranging_ = false;
};

// =========================================================================================
// Status bar

enum class TStatusPanelBevel { pbNone, pbLowered, pbRaised };
const TTypeInfo* TypeStatusPanelBevel();
enum class TStatusPanelStyle { psText, psOwnerDraw };
const TTypeInfo* TypeStatusPanelStyle();

class TStatusPanel : public TCollectionItem {
  VCL_DECLARE_PERSISTENT(TStatusPanel)
 public:
  explicit TStatusPanel(TCollection* collection);

  const AnsiString& Text() const { return text_; }
  void SetText(const AnsiString& text);
  int Width() const { return width_; }
  void SetWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TStatusPanelBevel Bevel() const { return bevel_; }
  void SetBevel(TStatusPanelBevel value);
  TStatusPanelStyle Style() const { return style_; }
  void SetStyle(TStatusPanelStyle value);

  void Assign(const TPersistent* source) override;
  AnsiString DisplayName() const override;

 private:
  AnsiString text_;
  int width_ = 50;
  TAlignment alignment_ = TAlignment::taLeftJustify;
  TStatusPanelBevel bevel_ = TStatusPanelBevel::pbLowered;
  TStatusPanelStyle style_ = TStatusPanelStyle::psText;
};

class TStatusPanels : public TCollection {
  VCL_DECLARE_PERSISTENT(TStatusPanels)
 public:
  explicit TStatusPanels(TStatusBar* owner);
  TStatusBar* Owner() const { return owner_; }
  TStatusPanel* Add();
  // Raises EListError "List index out of bounds (<index>)".
  TStatusPanel* Items(int index) const;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TStatusBar* owner_;
};

using TDrawPanelEvent = TEvent<TStatusBar*, TStatusPanel*, const TRect&>;

// A bar along the bottom of a form: panels side by side (the last one reaching the right
// edge), or one simple panel showing SimpleText.
class TStatusBar : public TWinControl {
  VCL_DECLARE_COMPONENT(TStatusBar)
 public:
  explicit TStatusBar(TComponent* owner);
  ~TStatusBar() override;

  TStatusPanels* Panels() const { return panels_; }
  void SetPanels(TStatusPanels* panels);  // copies the panels
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool value);
  const AnsiString& SimpleText() const { return simpleText_; }
  void SetSimpleText(const AnsiString& text);
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool value);

  // The rectangle of panel `index` in client coordinates; raises EListError for a bad index.
  TRect PanelRect(int index) const;
  // The panel at a client point, -1 when none (or with SimplePanel).
  int PanelAtPos(int x, int y) const;
  // The owner's share of painting: runs OnDrawPanel for each owner-drawn panel (none with
  // SimplePanel). Paint calls it with Canvas() bound, after drawing the panels.
  void DrawPanels();

  TDrawPanelEvent OnDrawPanel;

 protected:
  // The panels with their bevels and texts (or the simple text) and the size grip.
  void Paint() override;

 private:
  TStatusPanels* panels_;
  bool simplePanel_ = false;
  AnsiString simpleText_;
  bool sizeGrip_ = true;
};

// =========================================================================================
// Animation

enum class TCommonAVI {
  aviNone,
  aviFindFolder,
  aviFindFile,
  aviFindComputer,
  aviCopyFiles,
  aviCopyFile,
  aviRecycleFile,
  aviEmptyRecycle,
  aviDeleteFile
};
const TTypeInfo* TypeCommonAVI();

// Plays a silent clip: one of the common clips or an AVI file (whose header gives the frame
// count, size and rate). Frames count from 1. Playing advances one frame per timer message
// of the control's window; after Repetitions passes (0: endlessly) it stops. Opening a clip
// that cannot be read raises EInvalidOperation "Cannot open AVI". Events: OnOpen and
// OnClose as a clip opens and closes, OnStart and OnStop as playing starts and stops.
class TAnimate : public TWinControl {
  VCL_DECLARE_COMPONENT(TAnimate)
 public:
  explicit TAnimate(TComponent* owner);
  ~TAnimate() override;

  bool Active() const { return active_; }
  // Activating opens the clip and plays StartFrame..StopFrame Repetitions times.
  void SetActive(bool value);
  TCommonAVI CommonAVI() const { return commonAVI_; }
  // Choosing a clip closes the current one (and clears the other source).
  void SetCommonAVI(TCommonAVI value);
  const AnsiString& FileName() const { return fileName_; }
  void SetFileName(const AnsiString& fileName);
  bool Open() const { return open_; }
  void SetOpen(bool value);
  int Repetitions() const { return repetitions_; }
  void SetRepetitions(int value);
  int StartFrame() const { return startFrame_; }
  void SetStartFrame(int value);
  // 0 until a clip is open, then the last frame unless set.
  int StopFrame() const { return stopFrame_; }
  void SetStopFrame(int value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  int FrameCount() const { return frameCount_; }
  int FrameWidth() const { return frameWidth_; }
  int FrameHeight() const { return frameHeight_; }
  // The frame shown (0 when no clip is open).
  int CurrentFrame() const { return currentFrame_; }
  // Milliseconds per frame.
  int FrameInterval() const { return frameInterval_; }

  // Plays frames from..to (1-based, within the clip) `count` times (0: endlessly); a bad
  // range raises EInvalidOperation "Invalid frame range".
  void Play(int fromFrame, int toFrame, int count);
  void Stop();
  // Stops and shows the start frame.
  void Reset();
  // Stops and shows `frame`.
  void Seek(int frame);

  void WndProc(TMessage& message) override;

  TNotifyEvent OnOpen;
  TNotifyEvent OnClose;
  TNotifyEvent OnStart;
  TNotifyEvent OnStop;

 protected:
  void Loaded() override;
  // A sunken frame; with a clip open, the clip's area and how far playing has got.
  void Paint() override;

 private:
  void OpenClip();
  void CloseClip();
  void StartPlaying();
  void StopPlaying();
  void NextFrame();
  bool active_ = false;
  bool open_ = false;
  TCommonAVI commonAVI_ = TCommonAVI::aviNone;
  AnsiString fileName_;
  int repetitions_ = 0;
  int startFrame_ = 1;
  int stopFrame_ = 0;
  bool center_ = true;
  bool transparent_ = true;
  int frameCount_ = 0;
  int frameWidth_ = 0;
  int frameHeight_ = 0;
  int frameInterval_ = 100;
  int currentFrame_ = 0;
  int passesDone_ = 0;
  bool timerRunning_ = false;
};

}  // namespace vcl
