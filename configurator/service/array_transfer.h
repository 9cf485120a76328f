#pragma once
// The DEBUG page's array group: device memory read through table 1 (area 1)
// into the grid and "array.txt", and written from "write_array.txt". Both
// files are in the folder the program runs in; the page shows the full path
// of the one it used (kArrayFile). A transfer runs a block per step and can
// be cancelled; the status bar tells how far it is and how it ended,
// counting the blocks that failed. A block that failed is not shown as data:
// its elements stay empty in the grid and are empty lines in "array.txt".

#include <QString>
#include <cstdint>
#include <memory>

#include "service/array_grid.h"
#include "service/transfer.h"

namespace velk {

class FormState;

inline constexpr const char* kArrayLength = "Edit32";
inline constexpr const char* kDataSize = "Edit31";
inline constexpr const char* kArraySigned = "CheckBox1";
inline constexpr const char* kElementsDone = "Edit30";
inline constexpr const char* kArrayFile = "LabelArrayFile";
inline constexpr const char* kReadArrayFileName = "array.txt";
inline constexpr const char* kWriteArrayFileName = "write_array.txt";
inline constexpr std::int64_t kArrayMaxBytes = 100352;
inline constexpr int kReadBlockBytes = 28;

void applyArrayDefaults(FormState& form);

// The element size a data size gives: 1 below 1, 4 for 3 and from 5 on.
int arrayElementSize(std::int64_t dataSize);
// Bytes to transfer: length elements of `elementSize`, at most 100352. A
// negative count transfers nothing.
std::int64_t arrayTotalBytes(std::int64_t length, int elementSize);

// Where write block `block` goes: pages of 299 blocks of 24 bytes, the
// block within its page as a low and a high byte.
struct WriteBlockAddress {
  int page;
  int low;
  int high;
  bool operator==(const WriteBlockAddress&) const = default;
};
WriteBlockAddress writeBlockAddress(int block);

// "Read array": blocks of 28 bytes, block b asked for as (1, b div 256,
// b mod 256, count), cut into elements least significant byte first,
// sign-extended when "Signed" is checked.
StepJob readArray(std::shared_ptr<ArrayGrid> grid, std::shared_ptr<TransferCancel> cancel,
                  const QString& folder);

// "Write array": the whole numbers of "write_array.txt" up to the first
// text that is none, each as an element of the data size, in blocks of 24
// bytes; a last block only as far as numbers reach.
StepJob writeArray(std::shared_ptr<ArrayGrid> grid, std::shared_ptr<TransferCancel> cancel,
                   const QString& folder);

}  // namespace velk
