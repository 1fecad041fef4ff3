#include "tests/support/acknowledged_saves.h"

#include <gtest/gtest.h>

#include <vector>

namespace totem::test {

void ExpectAcknowledgedSavesStored(TestDatabase& db, const AcknowledgedSaves& acknowledged) {
  // A commit PostgreSQL received just before a kill may still be landing;
  // each save holds its register's row lock until it ends, so taking the
  // locks waits for it first.
  if (TestDatabase::UsingPostgres()) db.Query("SELECT 1 FROM caixa FOR UPDATE");
  std::map<std::string, std::vector<std::string>> stored;
  for (auto& row :
       db.Query("SELECT cdfilial || '/' || cdcaixa, dsmsginitot, nrsegfectot, dsmsgcontot"
                " FROM parametro_totem"))
    stored[row[0]] = row;
  // Per register: (number of the save, seconds before, seconds after, first
  // text after, last text after), in order of saving.
  std::map<std::string, std::vector<std::vector<std::string>>> history;
  for (auto& row :
       db.Query("SELECT cdfilial || '/' || cdcaixa, nrgravacao, nrsegfectot_antes,"
                " nrsegfectot_depois, dsmsginitot_depois, dsmsgcontot_depois"
                " FROM parametro_totem_historico ORDER BY cdfilial, cdcaixa, nrgravacao"))
    history[row[0]].push_back(row);
  for (const auto& [key, saves] : acknowledged) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(stored.count(key));
    const int kept = std::stoi(stored[key][2]);
    EXPECT_GE(kept, *saves.rbegin());
    EXPECT_EQ(stored[key][1], "#" + std::to_string(kept));
    EXPECT_EQ(stored[key][3], "Consumidor " + std::to_string(kept));

    const auto& rows = history[key];
    ASSERT_FALSE(rows.empty());
    std::set<int> recorded;
    std::string previous;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const auto& row = rows[i];
      EXPECT_EQ(row[1], std::to_string(i + 1)) << "saves numbered without gaps";
      // The first save starts from whatever the register held before the
      // stream (nothing, or the demo record).
      if (i > 0) {
        EXPECT_EQ(row[2], previous) << "save " << row[1] << " starts where the one before ended";
      }
      EXPECT_EQ(row[4], "#" + row[3]);
      EXPECT_EQ(row[5], "Consumidor " + row[3]);
      recorded.insert(std::stoi(row[3]));
      previous = row[3];
    }
    EXPECT_EQ(previous, stored[key][2]) << "the history ends at the stored record";
    for (int n : saves)
      EXPECT_TRUE(recorded.count(n)) << "acknowledged save " << n << " has no history row";
  }
  EXPECT_EQ(db.IntegrityCheck(), "ok");
}

}  // namespace totem::test
