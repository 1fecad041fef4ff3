#pragma once
// Codes a spreadsheet read as numbers: the branch "0305" comes back as
// "305", the register "001" as "1". Importing them as they are would create
// a branch or register that nobody meant, or miss the one meant. A code of
// a zero-padded column (CDFILIAL, CDCAIXA, at the contract's widths) looks
// stripped when it is all digits, shorter than its column, and either the
// database has it with the zeros or the file mixes lengths in that column.
// Product group codes (CDGRUPPROD) are free text, not zero-padded numbers,
// and are taken as they are.
#include "server/cli/csv_file.h"
#include "server/store/store.h"

#include <cstddef>

namespace totem::server {

// Finds such codes in the columns of file's header that hold them. With pad
// they are completed with zeros in place, and their count is returned;
// without, ImportError lists every one by line and nothing is changed.
// Every row must have one field per header column (CsvFile::Fields).
// transaction answers whether the padded code exists.
std::size_t RestoreLeadingZeros(CsvFile& file, WriteTransaction& transaction, bool pad);

}  // namespace totem::server
