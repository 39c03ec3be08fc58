// The dialog responder is what keeps every UI test from hanging: check that
// it answers, records, and cancels what nobody expected.
#include "tests/support/DialogResponder.h"

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

using namespace testing_support;

TEST(DialogResponder, AnswersAMessageBoxAndRecordsItsText) {
    DialogResponder responder;
    responder.Expect(L"Caption", [](HWND d) {
        EXPECT_EQ(MessageBoxIcon(d), IDI_INFORMATION);
        PressButton(d, IDNO);
    });
    int answer = MessageBoxW(nullptr, L"Text   ", L"Caption", MB_YESNO | MB_ICONINFORMATION);
    EXPECT_EQ(answer, IDNO);
    ASSERT_EQ(responder.Seen().size(), 1u);
    EXPECT_EQ(responder.Seen()[0].text, L"Text   ");
    EXPECT_EQ(responder.Pending(), 0u);
}

TEST(DialogResponder, CancelsAnUnexpectedDialogAndFails) {
    int answer = 0;
    EXPECT_NONFATAL_FAILURE(
        {
            DialogResponder responder;
            answer = MessageBoxW(nullptr, L"Surprise", L"Other", MB_OKCANCEL);
        },
        "unexpected dialog");
    EXPECT_EQ(answer, IDCANCEL);
}
