#include "platform/db/DBTypes.h"

#include <utility>

#include "platform/rtl/Strings.h"

namespace vcl {

namespace {

constexpr int kFieldDefItems = 7;  // name, type, size, label, width, visible, required

[[noreturn]] void InvalidPacket() {
  throw EDatabaseError("Invalid data packet");
}

// A one-dimensional array's bounds, or an invalid-packet error.
void ArrayBounds(const Variant& v, int& low, int& high) {
  if (!v.IsArray() || VarArrayDimCount(v) != 1) InvalidPacket();
  low = VarArrayLowBound(v, 1);
  high = VarArrayHighBound(v, 1);
}

TPacketField ReadFieldDef(const Variant& def) {
  int low = 0, high = 0;
  ArrayBounds(def, low, high);
  if (high - low + 1 != kFieldDefItems) InvalidPacket();
  TPacketField f;
  try {
    f.Name = VarToStr(def[low]);
    const int type = def[low + 1].AsInteger();
    if (type < static_cast<int>(TFieldType::ftUnknown) ||
        type > static_cast<int>(TFieldType::ftLargeint))
      InvalidPacket();
    f.DataType = static_cast<TFieldType>(type);
    f.Size = def[low + 2].IsNull() ? 0 : def[low + 2].AsInteger();
    f.DisplayLabel = VarToStr(def[low + 3]);
    f.DisplayWidth = def[low + 4].IsNull() ? 0 : def[low + 4].AsInteger();
    f.Visible = def[low + 5].IsNull() ? true : def[low + 5].AsBoolean();
    f.Required = def[low + 6].IsNull() ? false : def[low + 6].AsBoolean();
  } catch (const EVariantError&) {
    InvalidPacket();
  }
  if (f.Name.empty()) InvalidPacket();
  return f;
}

// The field definitions and the rows array of a packet.
void ReadHeader(const Variant& packet, std::vector<TPacketField>& fields, const Variant*& rows) {
  const Variant& p = packet.Deref();
  int low = 0, high = 0;
  ArrayBounds(p, low, high);
  if (high - low != 1) InvalidPacket();
  const Variant& defs = p[low].Deref();
  int dlow = 0, dhigh = 0;
  ArrayBounds(defs, dlow, dhigh);
  fields.clear();
  fields.reserve(static_cast<size_t>(dhigh - dlow + 1));
  for (int i = dlow; i <= dhigh; ++i) fields.push_back(ReadFieldDef(defs[i].Deref()));
  rows = &p[low + 1].Deref();
}

}  // namespace

Variant MakeDataPacket(const std::vector<TPacketField>& fields,
                       const std::vector<std::vector<Variant>>& rows) {
  const int fieldCount = static_cast<int>(fields.size());
  Variant defs = VarArrayCreate({0, fieldCount - 1}, varVariant);
  for (int i = 0; i < fieldCount; ++i) {
    const TPacketField& f = fields[static_cast<size_t>(i)];
    defs[i] = VarArrayOf({Variant(f.Name), Variant(static_cast<int>(f.DataType)), Variant(f.Size),
                          Variant(f.DisplayLabel), Variant(f.DisplayWidth), Variant(f.Visible),
                          Variant(f.Required)});
  }
  const int rowCount = static_cast<int>(rows.size());
  Variant data = VarArrayCreate({0, rowCount - 1}, varVariant);
  for (int r = 0; r < rowCount; ++r) {
    const auto& row = rows[static_cast<size_t>(r)];
    if (static_cast<int>(row.size()) != fieldCount)
      throw EDatabaseError("Row " + IntToStr(r) + " has " + IntToStr(row.size()) + " values for " +
                           IntToStr(fieldCount) + " fields");
    data[r] = VarArrayOf(row);
  }
  Variant packet = VarArrayCreate({0, 1}, varVariant);
  packet[0] = std::move(defs);
  packet[1] = std::move(data);
  return packet;
}

void ReadDataPacket(const Variant& packet, std::vector<TPacketField>& fields,
                    std::vector<std::vector<Variant>>& rows) {
  const Variant* data = nullptr;
  ReadHeader(packet, fields, data);
  int low = 0, high = 0;
  ArrayBounds(*data, low, high);
  rows.clear();
  rows.reserve(static_cast<size_t>(high - low + 1));
  for (int r = low; r <= high; ++r) {
    const Variant& row = (*data)[r].Deref();
    int rlow = 0, rhigh = 0;
    ArrayBounds(row, rlow, rhigh);
    if (rhigh - rlow + 1 != static_cast<int>(fields.size())) InvalidPacket();
    std::vector<Variant> values;
    values.reserve(fields.size());
    for (int c = rlow; c <= rhigh; ++c) values.push_back(row[c].Deref());
    rows.push_back(std::move(values));
  }
}

void ReadDataPacketValues(Variant& packet, std::vector<TPacketField>& fields,
                          std::vector<Variant>& values, int& rowCount) {
  const Variant* constRows = nullptr;
  ReadHeader(packet, fields, constRows);
  // The rows belong to `packet`, which the caller gave up: move the values out.
  Variant& data = const_cast<Variant&>(*constRows);
  int low = 0, high = 0;
  ArrayBounds(data, low, high);
  const int columns = static_cast<int>(fields.size());
  rowCount = high - low + 1;
  values.clear();
  values.reserve(static_cast<size_t>(rowCount) * static_cast<size_t>(columns));
  for (int r = low; r <= high; ++r) {
    Variant& row = data[r].Deref();
    int rlow = 0, rhigh = 0;
    ArrayBounds(row, rlow, rhigh);
    if (rhigh - rlow + 1 != columns) InvalidPacket();
    for (int c = rlow; c <= rhigh; ++c) {
      Variant& v = row[c];
      if (v.IsByRef())
        values.push_back(v.Deref());
      else
        values.push_back(std::move(v));
    }
  }
}

}  // namespace vcl
