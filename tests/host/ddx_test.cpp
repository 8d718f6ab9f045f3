// DDX_Radio: the group runs from the first control to the next WS_GROUP
// control; only radio buttons count, hidden or disabled ones included.
#include "../../framework/Framework.h"
#include "fakewin/fixture.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

struct Ctl
{
    const char* className;
    int id;
    DWORD style;
};

const DWORD kRadio = BS_AUTORADIOBUTTON | WS_VISIBLE;

// A plain group after a label, then the next group.
const std::vector<Ctl> kPlain = {
    { "Static", -1, SS_LEFT | WS_VISIBLE | WS_GROUP },
    { "Button", 101, kRadio | WS_GROUP },
    { "Button", 102, kRadio },
    { "Button", 103, kRadio },
    { "Button", 104, kRadio | WS_GROUP },
    { "Button", 200, BS_PUSHBUTTON | WS_VISIBLE | WS_GROUP },
};
// Other controls inside the group do not count.
const std::vector<Ctl> kMixed = {
    { "Button", 101, kRadio | WS_GROUP },
    { "Button", 150, BS_AUTOCHECKBOX | WS_VISIBLE },
    { "Button", 102, kRadio },
    { "Static", 151, SS_LEFT | WS_VISIBLE },
    { "Button", 160, BS_PUSHBUTTON | WS_VISIBLE },
    { "Button", 170, BS_GROUPBOX | WS_VISIBLE },
    { "Button", 103, BS_RADIOBUTTON | WS_VISIBLE },
    { "Button", 104, kRadio | WS_GROUP },
};
// Hidden and disabled radio buttons keep their place.
const std::vector<Ctl> kHiddenDisabled = {
    { "Button", 101, kRadio | WS_GROUP },
    { "Button", 102, BS_AUTORADIOBUTTON },
    { "Button", 103, kRadio | WS_DISABLED },
    { "Button", 104, kRadio },
};
// The group runs to the dialog's last control.
const std::vector<Ctl> kToTheEnd = {
    { "Button", IDOK, BS_DEFPUSHBUTTON | WS_VISIBLE | WS_GROUP },
    { "Button", 101, kRadio | WS_GROUP },
    { "Button", 102, kRadio },
};

class DdxRadioTest : public FakeWinTest
{
protected:
    HWND Build(const std::vector<Ctl>& layout, const std::vector<int>& checked)
    {
        const HWND dialog = fake::MakeDialog();
        for (const Ctl& ctl : layout) {
            const HWND control = fake::AddControl(dialog, ctl.className, ctl.id, ctl.style);
            if (std::find(checked.begin(), checked.end(), ctl.id) != checked.end())
                fake::WindowOf(control).check = BST_CHECKED;
        }
        return dialog;
    }

    static std::vector<int> Checked(HWND dialog)
    {
        std::vector<int> ids;
        for (HWND control : fake::WindowOf(dialog).children)
            if (fake::WindowOf(control).check != BST_UNCHECKED)
                ids.push_back(fake::WindowOf(control).id);
        return ids;
    }

    static int Sends(UINT message)
    {
        return static_cast<int>(std::count_if(fake::SentMessages().begin(), fake::SentMessages().end(),
                                              [message](const fake::Sent& sent) { return sent.message == message; }));
    }
};

TEST_F(DdxRadioTest, TowardTheControlsChecksOnlyTheButtonAtTheIndex)
{
    const struct
    {
        int line;
        const std::vector<Ctl>* layout;
        int firstId;
        int value;
        std::vector<int> checkedAfter;  // every checkable control starts checked
        int setChecks;                  // BM_SETCHECK messages: one per radio button of the group
    } cases[] = {
        { __LINE__, &kPlain, 101, 0, { 101, 104 }, 3 },
        { __LINE__, &kPlain, 101, 1, { 102, 104 }, 3 },
        { __LINE__, &kPlain, 101, 2, { 103, 104 }, 3 },
        { __LINE__, &kPlain, 101, -1, { 104 }, 3 },
        { __LINE__, &kPlain, 101, 3, { 104 }, 3 },  // 104 starts the next group
        { __LINE__, &kPlain, 101, INT_MAX, { 104 }, 3 },
        { __LINE__, &kPlain, 101, INT_MIN, { 104 }, 3 },
        { __LINE__, &kPlain, 102, 0, { 101, 102, 104 }, 2 },  // starting inside a group leaves what is before
        { __LINE__, &kMixed, 101, 1, { 150, 102, 104 }, 3 },
        { __LINE__, &kMixed, 101, 2, { 150, 103, 104 }, 3 },
        { __LINE__, &kMixed, 101, -1, { 150, 104 }, 3 },
        { __LINE__, &kHiddenDisabled, 101, 1, { 102 }, 4 },
        { __LINE__, &kHiddenDisabled, 101, 2, { 103 }, 4 },
        { __LINE__, &kHiddenDisabled, 101, 3, { 104 }, 4 },
        { __LINE__, &kToTheEnd, 101, 1, { 102 }, 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line << ": value " << c.value);
        fake::Reset();
        const HWND dialog = Build(*c.layout, { 101, 102, 103, 104, 150 });
        CWnd wnd(dialog);
        CDataExchange exchange(&wnd, FALSE);
        int value = c.value;

        DDX_Radio(&exchange, c.firstId, value);

        EXPECT_EQ(Checked(dialog), c.checkedAfter);
        EXPECT_EQ(value, c.value) << "toward the controls the value stays";
        EXPECT_EQ(Sends(BM_SETCHECK), c.setChecks);
        EXPECT_EQ(Sends(BM_GETCHECK), 0);
    }
}

TEST_F(DdxRadioTest, FromTheControlsTheLastCheckedButtonWins)
{
    const struct
    {
        int line;
        const std::vector<Ctl>* layout;
        int firstId;
        std::vector<int> checked;
        int expected;
    } cases[] = {
        { __LINE__, &kPlain, 101, {}, -1 },
        { __LINE__, &kPlain, 101, { 101 }, 0 },
        { __LINE__, &kPlain, 101, { 103 }, 2 },
        { __LINE__, &kPlain, 101, { 101, 103 }, 2 },
        { __LINE__, &kPlain, 101, { 102, 101 }, 1 },
        { __LINE__, &kPlain, 101, { 104 }, -1 },  // the next group's button
        { __LINE__, &kPlain, 101, { 102, 104 }, 1 },
        { __LINE__, &kPlain, 102, { 101 }, -1 },  // before the first control
        { __LINE__, &kPlain, 102, { 103 }, 1 },
        { __LINE__, &kMixed, 101, { 150 }, -1 },
        { __LINE__, &kMixed, 101, { 150, 102 }, 1 },
        { __LINE__, &kMixed, 101, { 103 }, 2 },
        { __LINE__, &kHiddenDisabled, 101, { 102 }, 1 },
        { __LINE__, &kHiddenDisabled, 101, { 103 }, 2 },
        { __LINE__, &kHiddenDisabled, 101, { 101, 104 }, 3 },
        { __LINE__, &kToTheEnd, 101, { IDOK, 102 }, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        fake::Reset();
        const HWND dialog = Build(*c.layout, c.checked);
        const std::vector<int> before = Checked(dialog);
        CWnd wnd(dialog);
        CDataExchange exchange(&wnd, TRUE);
        int value = 0x5eed;

        DDX_Radio(&exchange, c.firstId, value);

        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(Checked(dialog), before) << "reading changes nothing";
        EXPECT_EQ(Sends(BM_SETCHECK), 0);
    }
}

TEST_F(DdxRadioTest, AMissingFirstControlLeavesEverythingAlone)
{
    for (BOOL save : { FALSE, TRUE }) {
        SCOPED_TRACE(save ? "from the controls" : "toward the controls");
        fake::Reset();
        const HWND dialog = Build(kPlain, { 102 });
        CWnd wnd(dialog);
        CDataExchange exchange(&wnd, save);
        int value = 0x5eed;

        DDX_Radio(&exchange, 999, value);

        EXPECT_EQ(value, 0x5eed);
        EXPECT_EQ(Checked(dialog), std::vector<int>{ 102 });
        EXPECT_TRUE(fake::SentMessages().empty());
    }
}

}  // namespace
