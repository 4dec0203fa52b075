// A validation's explanation never hides the component's answer: a database failure while it is
// worked out becomes the answer's failure, anything else still escapes.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "session/validation_reasons.h"

namespace tarn::session {
namespace {

Explanation archivedExplanation() {
  return Explanation{Reason{"archived", "archived", {}, {}, {}}, {}, {}, true};
}

TEST(ExplainUnlessFailedTest, ADatabaseFailureWhileExplainingBecomesTheAnswersFailure) {
  std::optional<Failure> failure;
  const auto explanation = explainUnlessFailed(failure, []() -> Explanation {
    fail(Failure::Kind::kDatabase, "server closed the connection");
  });
  EXPECT_FALSE(explanation.reason.has_value());
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->kind, Failure::Kind::kDatabase);
  EXPECT_EQ(failure->message, "server closed the connection");
}

TEST(ExplainUnlessFailedTest, AFailedCallIsNotExplainedAndOtherFailuresEscape) {
  std::optional<Failure> failed{Failure{Failure::Kind::kDatabase, "lost", {}}};
  bool asked = false;
  explainUnlessFailed(failed, [&] {
    asked = true;
    return archivedExplanation();
  });
  EXPECT_FALSE(asked);
  EXPECT_EQ(failed->message, "lost");

  std::optional<Failure> none;
  EXPECT_EQ(explainUnlessFailed(none, archivedExplanation).reason->code, "archived");
  EXPECT_FALSE(none.has_value());
  EXPECT_THROW(explainUnlessFailed(none, []() -> Explanation { throw std::logic_error("bug"); }),
               std::logic_error);
  EXPECT_THROW(explainUnlessFailed(
                   none, []() -> Explanation { fail(Failure::Kind::kUsage, "no such item"); }),
               RequestError);
}

}  // namespace
}  // namespace tarn::session
