#include "tests/kit/archived_value_fixtures.h"

#include <gtest/gtest.h>

namespace tarn::testing {

void expectArchivedValuePath(const ArchivedValuePath& path, const ValidationCall& validate) {
  SCOPED_TRACE(path.name);
  FakeWorld world;
  answerRowsInTurn(world, *world.archiveData, u"OpenX", path.archiveAnswers);
  world.archiveData->answer(u"Add", path.addAnswer);
  auto component = world.makeReadyComponent();
  const ValidationOutcome outcome = validate(*component, path.bBuildAr);
  EXPECT_EQ(outcome.result, path.expected);
  EXPECT_EQ(outcome.value, path.value);
  EXPECT_EQ(world.log.text(), logText(path.log));
  EXPECT_EQ(world.recordSets.closed(), world.recordSets.created());
}

}  // namespace tarn::testing
