#include <gtest/gtest.h>

#include <QStringList>

#include "texts/UiTexts.h"

TEST(UiTexts, EveryIdIsListedOnceAndUnknownIdsGiveNoText) {
  EXPECT_EQ(UiTexts::duplicateIds(), std::vector<int>{});
  EXPECT_EQ(uiText(UiTexts::txtNoConnection), QStringLiteral(" Brak połączenia."));
  EXPECT_TRUE(uiText(UiTexts::Id(1)).isEmpty());
}

TEST(UiTexts, RequestLogLinesAreTheServiceLogsOwnWords) {
  using namespace UiTexts;
  EXPECT_EQ(
      (QStringList{uiText(txtLogAskVer), uiText(txtLogAskData), uiText(txtLogAskData2), uiText(txtLogAskRes),
                   uiText(txtLogAskWrite), uiText(txtLogAskWrite2), uiText(txtLogWriteOk), uiText(txtLogWrite2Ok)}),
      (QStringList{"Ask_ver", "Ask_data", "Ask_data2", "Ask_res", "Ask_write", "Ask_write2", "Ask_write  OK",
                   "Ask_write2 OK"}));
}
