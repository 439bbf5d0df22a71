#include <gtest/gtest.h>

#include "texts/UiTexts.h"

TEST(UiTexts, EveryIdIsListedOnceAndUnknownIdsGiveNoText) {
  EXPECT_EQ(UiTexts::duplicateIds(), std::vector<int>{});
  EXPECT_EQ(uiText(UiTexts::txtNoConnection), QStringLiteral(" Brak połączenia."));
  EXPECT_TRUE(uiText(UiTexts::Id(1)).isEmpty());
}
