#pragma once
// What a stream of numbered saves (RemoteClient::SaveNumbered) must have
// left in the database after load or a fault: every acknowledged save
// stored or overwritten by a later one, never half written, each with its
// history row.
#include "tests/support/test_database.h"

#include <map>
#include <set>
#include <string>

namespace totem::test {

// The numbers of the saves each register's client saw acknowledged, by
// "filial/caixa".
using AcknowledgedSaves = std::map<std::string, std::set<int>>;

// For each register: the stored record is the last acknowledged save or a
// later one, and its values all come from one save; its history holds a row
// for every acknowledged save, numbered without gaps, each row starting
// where the one before ended and the last ending at the stored record, so no
// row exists without its save. The database's own integrity check passes.
void ExpectAcknowledgedSavesStored(TestDatabase& db, const AcknowledgedSaves& acknowledged);

}  // namespace totem::test
