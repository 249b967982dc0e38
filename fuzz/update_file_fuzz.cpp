// Feeds arbitrary bytes to the update-file reader and checks what it
// promises: a file longer than the update's limit is refused whole, a file
// without the header is refused, and an accepted file gives exactly its
// whole records, byte for byte, and the checksum of its header.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "link/flash_update.h"
#include "link/update_file.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const tarnik::Update_File file = tarnik::Parse_Update_File(bytes);
  if (size > tarnik::Update_Max_Read) {
    Check(file.problem == tarnik::Update_File_Problem::Too_Long && file.records.empty());
    return 0;
  }
  const bool signed_file = size >= tarnik::Update_Header_Size &&
                           bytes.substr(2, tarnik::Update_Signature().size()) == tarnik::Update_Signature();
  if (!signed_file) {
    Check(file.problem == tarnik::Update_File_Problem::Bad_Header && file.records.empty());
    return 0;
  }
  Check(file.problem == tarnik::Update_File_Problem::None);
  Check(file.expected_checksum == (data[14] << 8 | data[15]));
  Check(file.records.size() == tarnik::Flash_Updater::Record_Count(size));
  for (std::size_t k = 0; k < file.records.size(); ++k) {
    const std::size_t at = tarnik::Update_Header_Size + k * tarnik::Update_Record_Size;
    Check(at + tarnik::Update_Record_Size <= size);
    Check(file.records[k].size() == tarnik::Update_Record_Size);
    for (std::size_t i = 0; i < tarnik::Update_Record_Size; ++i) Check(file.records[k][i] == data[at + i]);
  }
  return 0;
}
