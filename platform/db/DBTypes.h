// Field types and the data packets that carry rows from a provider to a client data set.
//
// A data packet is a Variant array 0..1: [0] the field definitions, an array with one
// element per field, each an array 0..6 [name, field type (TFieldType as an integer), size,
// display label, display width, visible, required]; [1] the rows, an array with one element
// per row, each an array of the field values in field order (Null for a null value).
#pragma once

#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Variant.h"

namespace vcl {

VCL_DECLARE_EXCEPTION(EDatabaseError, Exception)

enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftDate,
  ftTime,
  ftDateTime,
  ftMemo,
  ftWideString,
  ftLargeint,
};

// One field definition of a data packet.
struct TPacketField {
  AnsiString Name;
  TFieldType DataType = TFieldType::ftString;
  int Size = 0;
  AnsiString DisplayLabel;  // "" means the field name
  int DisplayWidth = 0;     // 0 means the default for the type and size
  bool Visible = true;
  bool Required = false;
};

// Builds and reads data packets.
Variant MakeDataPacket(const std::vector<TPacketField>& fields,
                       const std::vector<std::vector<Variant>>& rows);
// Reads a packet; raises EDatabaseError "Invalid data packet" when it is not one.
void ReadDataPacket(const Variant& packet, std::vector<TPacketField>& fields,
                    std::vector<std::vector<Variant>>& rows);
// Reads a packet into one row-major list of values (rowCount rows of fields.size() values),
// moving the values out of `packet`; raises like ReadDataPacket.
void ReadDataPacketValues(Variant& packet, std::vector<TPacketField>& fields,
                          std::vector<Variant>& values, int& rowCount);

}  // namespace vcl
