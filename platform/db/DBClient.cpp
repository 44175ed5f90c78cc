#include "platform/db/DBClient.h"

#include <algorithm>
#include <utility>

#include "platform/com/Dispatch.h"
#include "platform/rtl/Strings.h"

namespace vcl {

namespace {

[[noreturn]] void DatabaseError(const AnsiString& message) {
  throw EDatabaseError(message);
}

bool IsNullish(const Variant& v) {
  const Variant& d = v.Deref();
  return d.IsNull() || d.IsEmpty();
}

int Sign(int v) {
  return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// Orders two stored values: nulls first, texts by the ANSI collation (optionally ignoring
// case), everything else by value.
int CompareValues(const Variant& a, const Variant& b, bool text, bool caseInsensitive) {
  const bool aNull = IsNullish(a), bNull = IsNullish(b);
  if (aNull || bNull) return aNull == bNull ? 0 : aNull ? -1 : 1;
  if (!text) {
    try {
      switch (VarCompareValue(a, b)) {
        case TVariantRelationship::vrEqual:
          return 0;
        case TVariantRelationship::vrLessThan:
          return -1;
        case TVariantRelationship::vrGreaterThan:
          return 1;
        case TVariantRelationship::vrNotEqual:
          break;
      }
    } catch (const Exception&) {
      // Values of different kinds: fall back to their texts.
    }
  }
  const AnsiString x = VarToStr(a), y = VarToStr(b);
  return Sign(caseInsensitive ? AnsiCompareText(x, y) : AnsiCompareStr(x, y));
}

bool IsTextType(TFieldType type) {
  return type == TFieldType::ftString || type == TFieldType::ftWideString ||
         type == TFieldType::ftMemo;
}

const bool registered = [] {
  RegisterClass(TClientDataSet::StaticClass());
  RegisterClass(TwwClientDataSet::StaticClass());
  return true;
}();

}  // namespace

VCL_IMPLEMENT_COMPONENT(TClientDataSet, TDataSet)

void TClientDataSet::Publish(TPublisher& p) {
  p.Object("RemoteServer", &TClientDataSet::RemoteServer, &TClientDataSet::SetRemoteServer);
  p.String("ProviderName", &TClientDataSet::ProviderName, &TClientDataSet::SetProviderName);
  p.Integer("PacketRecords", &TClientDataSet::PacketRecords, &TClientDataSet::SetPacketRecords);
  p.Bool("ReadOnly", &TClientDataSet::ReadOnly, &TClientDataSet::SetReadOnly);
  p.String("IndexName", &TClientDataSet::IndexName, &TClientDataSet::SetIndexName);
  p.String("IndexFieldNames", &TClientDataSet::IndexFieldNames,
           &TClientDataSet::SetIndexFieldNames);
}

VCL_IMPLEMENT_COMPONENT(TwwClientDataSet, TClientDataSet)
void TwwClientDataSet::Publish(TPublisher&) {}

TClientDataSet::TClientDataSet(TComponent* owner) : TDataSet(owner), indexDefs_(new TIndexDefs) {}

TClientDataSet::~TClientDataSet() {
  // The base destructor closes the records without running events.
  delete indexDefs_;
  indexDefs_ = nullptr;
}

void TClientDataSet::SetRemoteServer(TCustomRemoteServer* server) {
  if (server == remoteServer_) return;
  if (remoteServer_) RemoveFreeNotification(remoteServer_);
  remoteServer_ = server;
  if (remoteServer_) FreeNotification(remoteServer_);
}

void TClientDataSet::SetProviderName(const AnsiString& name) {
  if (name == providerName_) return;
  CheckInactive();
  providerName_ = name;
}

void TClientDataSet::Notification(TComponent* component, TOperation operation) {
  TDataSet::Notification(component, operation);
  if (operation == TOperation::opRemove && component == remoteServer_) remoteServer_ = nullptr;
}

Variant TClientDataSet::Server() {
  if (!remoteServer_) DatabaseError("Missing data provider or data packet");
  return remoteServer_->GetServer();
}

Variant TClientDataSet::DataRequest(const Variant& data) {
  Variant server = Server();
  return OleCall(server, "AS_DataRequest", {Variant(providerName_), data});
}

std::vector<AnsiString> TClientDataSet::GetProviderNames() {
  Variant server = Server();
  const Variant names = OleCall(server, "AS_GetProviderNames");
  std::vector<AnsiString> result;
  if (!names.IsArray()) return result;
  for (int i = VarArrayLowBound(names, 1); i <= VarArrayHighBound(names, 1); ++i)
    result.push_back(VarToStr(names[i]));
  return result;
}

Variant TClientDataSet::FetchPacket() {
  if (providerName_.empty()) DatabaseError("Missing data provider or data packet");
  Variant server = Server();
  return OleCall(server, "AS_GetRecords", {Variant(providerName_), Variant(packetRecords_)});
}

void TClientDataSet::LoadPacket(Variant& packet) {
  std::vector<TPacketField> fields;
  std::vector<Variant> values;
  int rowCount = 0;
  ReadDataPacketValues(packet, fields, values, rowCount);
  TFieldDefs* defs = FieldDefs();
  defs->Clear();
  for (const TPacketField& f : fields) {
    TFieldDef def;
    def.Name = f.Name;
    def.DataType = f.DataType;
    def.Size = f.Size;
    def.Required = f.Required;
    def.DisplayLabel = f.DisplayLabel;
    def.DisplayWidth = f.DisplayWidth;
    def.Visible = f.Visible;
    defs->Add(def);
  }
  LoadRecords(std::move(values), rowCount);
}

void TClientDataSet::InternalOpen() {
  if (pendingLocal_) {
    pendingLocal_ = false;
    Variant packet = std::move(pendingPacket_);
    pendingPacket_ = Variant();
    if (packet.IsEmpty())
      LoadRecords({}, 0);
    else
      LoadPacket(packet);
  } else {
    if (!remoteServer_ || providerName_.empty())
      DatabaseError("Missing data provider or data packet");
    Variant packet = FetchPacket();
    LoadPacket(packet);
  }
  ResetChangeLog();
  CurrentIndex();  // an unknown index or index field fails the open
}

void TClientDataSet::InternalClose() {
  pendingLocal_ = false;
  pendingPacket_ = Variant();
  baseRows_.clear();
  baseSlotCount_ = 0;
  originals_.clear();
  changed_.clear();
  inserted_.clear();
  deleted_.clear();
}

void TClientDataSet::InternalRefresh() {
  if (ChangeCount() > 0) DatabaseError("Must apply updates before refreshing data");
  if (!remoteServer_ || providerName_.empty()) return;  // local records: nothing to reload
  Variant packet = FetchPacket();
  LoadPacket(packet);
  ResetChangeLog();
}

void TClientDataSet::CreateDataSet() {
  CheckInactive();
  TFieldDefs* defs = FieldDefs();
  if (defs->Count() == 0) {
    for (int i = 0; i < Fields()->Count(); ++i) {
      const TField* f = Fields()->Fields(i);
      defs->Add(f->FieldName(), f->DataType(), f->Size(), f->Required());
    }
  }
  if (defs->Count() == 0) DatabaseError("Missing data provider or data packet");
  pendingLocal_ = true;
  pendingPacket_ = Variant();
  Open();
}

Variant TClientDataSet::Data() const {
  std::vector<TPacketField> fields;
  const TFieldDefs* defs = FieldDefs();
  for (int i = 0; i < defs->Count(); ++i) {
    const TFieldDef& d = defs->Items(i);
    TPacketField f;
    f.Name = d.Name;
    f.DataType = d.DataType;
    f.Size = d.Size;
    f.DisplayLabel = d.DisplayLabel;
    f.DisplayWidth = d.DisplayWidth;
    f.Visible = d.Visible;
    f.Required = d.Required;
    if (const TField* field = FindField(d.Name)) {
      f.DisplayLabel = field->DisplayLabel();
      f.DisplayWidth = field->DisplayWidth();
      f.Visible = field->Visible();
      f.Required = field->Required();
    }
    fields.push_back(std::move(f));
  }
  std::vector<std::vector<Variant>> rows;
  if (Active()) {
    const int columns = ColumnCount();
    rows.reserve(StoreRows().size());
    for (int slot : StoreRows()) {
      std::vector<Variant> row;
      row.reserve(static_cast<size_t>(columns));
      for (int c = 0; c < columns; ++c) {
        const Variant& v = StoreValue(slot, c);
        row.push_back(IsNullish(v) ? Null : v);
      }
      rows.push_back(std::move(row));
    }
  }
  return MakeDataPacket(fields, rows);
}

void TClientDataSet::SetData(const Variant& packet) {
  // Checked first, so that a bad packet leaves the data set as it was.
  std::vector<TPacketField> fields;
  std::vector<std::vector<Variant>> rows;
  ReadDataPacket(packet, fields, rows);
  Close();
  pendingLocal_ = true;
  pendingPacket_ = packet;
  Open();
}

void TClientDataSet::EmptyDataSet() {
  CheckActive();
  Cancel();
  StoreData().clear();
  StoreRows().clear();
  ResetChangeLog();
  Resync(-1);
}

void TClientDataSet::ResetChangeLog() {
  baseRows_ = StoreRows();
  baseSlotCount_ = ColumnCount() == 0
                       ? static_cast<int>(StoreRows().size())
                       : static_cast<int>(StoreData().size() / static_cast<size_t>(ColumnCount()));
  originals_.clear();
  changed_.clear();
  inserted_.clear();
  deleted_.clear();
}

int TClientDataSet::ChangeCount() const {
  return static_cast<int>(changed_.size() + inserted_.size() + deleted_.size());
}

void TClientDataSet::RecordModifying(int slot) {
  if (slot >= baseSlotCount_ || originals_.count(slot)) return;
  const size_t columns = static_cast<size_t>(ColumnCount());
  const auto begin =
      StoreData().begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(slot) * columns);
  originals_.emplace(slot,
                     std::vector<Variant>(begin, begin + static_cast<std::ptrdiff_t>(columns)));
}

void TClientDataSet::RecordPosted(int slot, bool inserted) {
  if (inserted)
    inserted_.insert(slot);
  else if (slot < baseSlotCount_)
    changed_.insert(slot);
}

void TClientDataSet::RecordDeleted(int slot) {
  if (inserted_.erase(slot)) return;
  if (slot < baseSlotCount_) {
    changed_.erase(slot);
    deleted_.insert(slot);
  }
}

void TClientDataSet::CancelUpdates() {
  CheckActive();
  Cancel();
  if (ChangeCount() == 0 && originals_.empty()) return;
  const size_t columns = static_cast<size_t>(ColumnCount());
  std::vector<Variant>& data = StoreData();
  for (auto& [slot, values] : originals_)
    std::move(values.begin(), values.end(),
              data.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(slot) * columns));
  data.resize(static_cast<size_t>(baseSlotCount_) * columns);
  StoreRows() = baseRows_;
  originals_.clear();
  changed_.clear();
  inserted_.clear();
  deleted_.clear();
  Resync(CurrentSlot());
}

void TClientDataSet::MergeChangeLog() {
  CheckActive();
  ResetChangeLog();
}

// ---- Indexes --------------------------------------------------------------------------

TClientDataSet::IndexOrder TClientDataSet::CurrentIndex() const {
  IndexOrder order;
  AnsiString fields;
  if (!indexName_.empty()) {
    const TIndexDef* def = indexDefs_->Find(indexName_);
    if (!def) DatabaseError("Index '" + indexName_ + "' not found");
    fields = def->Fields;
    order.caseInsensitive = (def->Options & ixCaseInsensitive) != 0;
    order.descending = (def->Options & ixDescending) != 0;
  } else {
    fields = indexFieldNames_;
  }
  const TFieldDefs* defs = FieldDefs();
  for (const AnsiString& name : SplitFieldNames(fields)) {
    const int column = defs->IndexOf(name);
    if (column < 0) DatabaseError("Field '" + name + "' not found");
    order.columns.push_back({column, IsTextType(defs->Items(column).DataType)});
  }
  return order;
}

void TClientDataSet::OrderRecords(std::vector<int>& slots) const {
  if (indexName_.empty() && indexFieldNames_.empty()) return;
  const IndexOrder order = CurrentIndex();
  if (order.columns.empty()) return;
  std::stable_sort(slots.begin(), slots.end(), [&](int a, int b) {
    for (const IndexColumn& c : order.columns) {
      const int r = CompareValues(StoreValue(a, c.column).Deref(), StoreValue(b, c.column).Deref(),
                                  c.text, order.caseInsensitive);
      if (r != 0) return order.descending ? r > 0 : r < 0;
    }
    return false;
  });
}

void TClientDataSet::ReorderKeepingRecord() {
  if (!Active()) return;
  CheckBrowseMode();
  Resync(CurrentSlot());
}

void TClientDataSet::SetIndexName(const AnsiString& name) {
  if (Active() && !name.empty() && !indexDefs_->Find(name))
    DatabaseError("Index '" + name + "' not found");
  const AnsiString oldName = indexName_, oldFields = indexFieldNames_;
  indexName_ = name;
  if (!name.empty()) indexFieldNames_.clear();
  try {
    if (Active()) CurrentIndex();
  } catch (...) {
    indexName_ = oldName;
    indexFieldNames_ = oldFields;
    throw;
  }
  ReorderKeepingRecord();
}

void TClientDataSet::SetIndexFieldNames(const AnsiString& names) {
  const AnsiString oldName = indexName_, oldFields = indexFieldNames_;
  indexFieldNames_ = names;
  if (!names.empty()) indexName_.clear();
  try {
    if (Active()) CurrentIndex();
  } catch (...) {
    indexName_ = oldName;
    indexFieldNames_ = oldFields;
    throw;
  }
  ReorderKeepingRecord();
}

int TClientDataSet::IndexFieldCount() const {
  if (!Active()) return 0;
  return static_cast<int>(CurrentIndex().columns.size());
}

TField* TClientDataSet::IndexFields(int index) const {
  const IndexOrder order = CurrentIndex();
  if (index < 0 || index >= static_cast<int>(order.columns.size()))
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return FindField(FieldDefs()->Items(order.columns[static_cast<size_t>(index)].column).Name);
}

void TClientDataSet::CheckIndexed(const IndexOrder& order, size_t keyCount) const {
  if (order.columns.empty()) DatabaseError("No index currently active");
  if (keyCount > order.columns.size()) DatabaseError("Too many key values");
}

std::vector<Variant> TClientDataSet::ConvertKeys(const IndexOrder& order,
                                                 const std::vector<Variant>& values) const {
  // Keys compare with the stored values by the variant rules (a text key and a number
  // compare as numbers); null and empty keys look for null values.
  std::vector<Variant> keys;
  keys.reserve(values.size());
  for (const Variant& v : values) keys.push_back(IsNullish(v) ? Null : v.Deref());
  return keys;
}

int TClientDataSet::CompareKey(const IndexOrder& order, int slot,
                               const std::vector<Variant>& keys) const {
  for (size_t i = 0; i < keys.size(); ++i) {
    const IndexColumn& c = order.columns[i];
    const int r =
        CompareValues(StoreValue(slot, c.column).Deref(), keys[i], c.text, order.caseInsensitive);
    if (r != 0) return order.descending ? -r : r;
  }
  return 0;
}

bool TClientDataSet::FindKey(const std::vector<Variant>& values) {
  CheckActive();
  CheckBrowseMode();
  const IndexOrder order = CurrentIndex();
  CheckIndexed(order, values.size());
  const std::vector<Variant> keys = ConvertKeys(order, values);
  const std::vector<int>& view = ViewSlots();
  for (size_t i = 0; i < view.size(); ++i) {
    if (CompareKey(order, view[i], keys) == 0) {
      MoveToIndex(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

void TClientDataSet::FindNearest(const std::vector<Variant>& values) {
  CheckActive();
  CheckBrowseMode();
  const IndexOrder order = CurrentIndex();
  CheckIndexed(order, values.size());
  const std::vector<Variant> keys = ConvertKeys(order, values);
  const std::vector<int>& view = ViewSlots();
  if (view.empty()) return;
  size_t i = 0;
  while (i < view.size() && CompareKey(order, view[i], keys) < 0) ++i;
  MoveToIndex(static_cast<int>(std::min(i, view.size() - 1)));
}

}  // namespace vcl
