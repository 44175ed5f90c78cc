// The client data set: records fetched from a provider of an application server (through a
// remote server's server object) or created locally, kept and edited in memory.
#pragma once

#include <map>
#include <set>
#include <string_view>
#include <vector>

#include "platform/db/DB.h"
#include "platform/db/RemoteServer.h"

namespace vcl {

// Opening fetches every record with "AS_GetRecords" [ProviderName, PacketRecords] from the
// remote server's server object and creates the fields from the packet's definitions (label,
// width, visibility, required flag and size), unless fields were created in code: then those
// are filled from the columns of the same name. Edits stay in the data set (ChangeCount
// counts the changed records; CancelUpdates restores the fetched records, MergeChangeLog
// makes the current records the new starting point). Errors of the server calls reach the
// caller as they are raised.
class TClientDataSet : public TDataSet {
  VCL_DECLARE_COMPONENT(TClientDataSet)
 public:
  explicit TClientDataSet(TComponent* owner);
  ~TClientDataSet() override;

  TCustomRemoteServer* RemoteServer() const { return remoteServer_; }
  void SetRemoteServer(TCustomRemoteServer* server);
  const AnsiString& ProviderName() const { return providerName_; }
  void SetProviderName(const AnsiString& name);
  // Records asked for when opening (-1: all).
  int PacketRecords() const { return packetRecords_; }
  void SetPacketRecords(int value) { packetRecords_ = value < -1 ? -1 : value; }
  // A read-only data set refuses edits (EDatabaseError "Cannot modify a read-only dataset").
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool CanModify() const override { return !readOnly_; }

  // Sends `data` to the provider ("AS_DataRequest" [ProviderName, data]) and returns its
  // answer. Without a remote server raises EDatabaseError "Missing data provider or data
  // packet".
  Variant DataRequest(const Variant& data);
  // The provider names the server offers ("AS_GetProviderNames").
  std::vector<AnsiString> GetProviderNames();

  // Creates an empty data set from FieldDefs (or, when there are none, from the fields
  // created in code) and opens it.
  void CreateDataSet();
  // The records as a data packet (natural order, the edits included); setting a packet
  // replaces the records and opens the data set.
  Variant Data() const;
  void SetData(const Variant& packet);
  // Removes every record (and forgets the change log).
  void EmptyDataSet();

  int ChangeCount() const;
  // Drops the local edits: the records are those fetched (or those of the last
  // MergeChangeLog) again.
  void CancelUpdates();
  void MergeChangeLog();

  // Indexes: IndexName selects one of IndexDefs (EDatabaseError "Index '<name>' not found"
  // for an unknown one), IndexFieldNames orders by fields directly ("A;B"); setting one
  // clears the other; "" for both is the natural order. The cursor stays on its record.
  TIndexDefs* IndexDefs() const { return indexDefs_; }
  const AnsiString& IndexName() const { return indexName_; }
  void SetIndexName(const AnsiString& name);
  const AnsiString& IndexFieldNames() const { return indexFieldNames_; }
  void SetIndexFieldNames(const AnsiString& names);
  // The fields of the current index.
  int IndexFieldCount() const;
  TField* IndexFields(int index) const;

  // Moves to the first record whose leading index fields equal `values` (one value per
  // field, in index order); false without moving when there is none. Without an index
  // raises EDatabaseError "No index currently active"; more values than index fields,
  // "Too many key values".
  bool FindKey(const std::vector<Variant>& values);
  // Moves to the first record at or after `values` in index order (the last record when
  // every record is before it).
  void FindNearest(const std::vector<Variant>& values);

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalRefresh() override;
  void OrderRecords(std::vector<int>& slots) const override;
  void RecordModifying(int slot) override;
  void RecordPosted(int slot, bool inserted) override;
  void RecordDeleted(int slot) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct IndexColumn {
    int column;
    bool text;
  };
  struct IndexOrder {
    std::vector<IndexColumn> columns;
    bool caseInsensitive = false;
    bool descending = false;
  };
  // The current index resolved against FieldDefs (raises for unknown indexes and fields).
  IndexOrder CurrentIndex() const;
  // Compares the record in `slot` with `keys` on the first keys.size() index columns.
  int CompareKey(const IndexOrder& order, int slot, const std::vector<Variant>& keys) const;
  std::vector<Variant> ConvertKeys(const IndexOrder& order,
                                   const std::vector<Variant>& values) const;
  void CheckIndexed(const IndexOrder& order, size_t keyCount) const;
  Variant Server();
  Variant FetchPacket();
  // Loads a packet's definitions into FieldDefs and its rows into the store.
  void LoadPacket(Variant& packet);
  void ResetChangeLog();
  void ReorderKeepingRecord();

  TCustomRemoteServer* remoteServer_ = nullptr;
  AnsiString providerName_;
  int packetRecords_ = -1;
  bool readOnly_ = false;
  TIndexDefs* indexDefs_;
  AnsiString indexName_;
  AnsiString indexFieldNames_;

  // Records to open with instead of fetching (CreateDataSet, SetData).
  bool pendingLocal_ = false;
  Variant pendingPacket_;

  // The change log: the natural order and slot count of the starting point, the original
  // values of edited starting records, and the changed, inserted and deleted slots.
  std::vector<int> baseRows_;
  int baseSlotCount_ = 0;
  std::map<int, std::vector<Variant>> originals_;
  std::set<int> changed_;
  std::set<int> inserted_;
  std::set<int> deleted_;
};

// The same data set under the class name the forms use.
class TwwClientDataSet : public TClientDataSet {
  VCL_DECLARE_COMPONENT(TwwClientDataSet)
 public:
  explicit TwwClientDataSet(TComponent* owner) : TClientDataSet(owner) {}
};

}  // namespace vcl
