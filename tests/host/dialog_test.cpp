// The selection dialog and the dialog framework under it: initialisation
// order, the minimised icon, the drag icon, command routing, and exceptions.
#include "../../app/MasterInstallApp.h"
#include "../../ui/MasterInstallDlg.h"
#include "fakewin/fixture.h"
#include "medium.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
const char* const kHelpFile = "C:\\Medium\\MasterInstall.HLP";

// The application with handlers at both ends of the range that dialogs pass on, and just outside it.
class RoutingApp : public CMasterInstallApp
{
public:
    std::vector<int> hits;

protected:
    void OnBelow() { hits.push_back(0x7FFF); }
    void OnFirst() { hits.push_back(0x8000); }
    void OnLast() { hits.push_back(0xEFFF); }
    void OnAbove() { hits.push_back(0xF000); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RoutingApp, CMasterInstallApp)
    ON_COMMAND(0x7FFF, OnBelow)
    ON_COMMAND(0x8000, OnFirst)
    ON_COMMAND(0xEFFF, OnLast)
    ON_COMMAND(0xF000, OnAbove)
END_MESSAGE_MAP()

std::string Hex(const void* handle)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
    return text;
}

INT_PTR CallProc(HWND dialog, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return fake::WindowOf(dialog).proc(dialog, message, wParam, lParam);
}

fake::UserStep Cancel()
{
    return [](HWND dialog) { fake::Click(dialog, IDCANCEL); };
}

class DialogTest : public FakeWinTest
{
protected:
    void SetUp() override
    {
        FakeWinTest::SetUp();
        AfxWinInit(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);  // the help file's name
        medium::Lay("C:\\");
    }

    // Shows the product dialog once; the steps run after WM_INITDIALOG, then Cancel.
    INT_PTR Show(std::vector<fake::UserStep> steps, fake::DialogScript script = {})
    {
        steps.push_back(Cancel());
        script.user = std::move(steps);
        fake::SetDialogScript(script);
        CMasterInstallDlg dialog;
        return dialog.DoModal();
    }

    HWND Dialog() const { return fake::DialogRuns().at(0).dialog; }

    RoutingApp app;
};

TEST_F(DialogTest, InitClearsTheOptionsThenSetsBothIconsThenLooksForTheMedium)
{
    fake::DialogScript script;
    script.beforeInit = [](HWND dialog) {
        for (int id : { 1001, 1002, 1004, 1005 })
            fake::WindowOf(fake::Control(dialog, id)).check = BST_CHECKED;
    };
    EXPECT_EQ(Show({}, script), IDCANCEL);

    std::vector<std::string> sends;
    for (const fake::Event& event : fake::Events())
        if (event.api == "SendMessageA" && event.detail.rfind("WM_GETDLGCODE", 0) != 0)
            sends.push_back(event.subject + " " + event.detail);
    EXPECT_EQ(sends, (std::vector<std::string>{ "#1001 BM_SETCHECK 0", "#1002 BM_SETCHECK 0", "#1004 BM_SETCHECK 0",
                                                "#1005 BM_SETCHECK 0", "dialog WM_SETICON 1", "dialog WM_SETICON 0" }));

    const HICON icon = fake::IconHandle(IDI_APP_ICON);
    EXPECT_EQ(fake::LoadedIconIds(), std::vector<int>{ IDI_APP_ICON });
    for (const fake::Sent& sent : fake::SentMessages())
        if (sent.message == WM_SETICON) {
            EXPECT_EQ(sent.hwnd, Dialog());
            EXPECT_EQ(sent.lParam, reinterpret_cast<LPARAM>(icon));
        }
    EXPECT_EQ(fake::WindowOf(Dialog()).bigIcon, icon);
    EXPECT_EQ(fake::WindowOf(Dialog()).smallIcon, icon);
    for (int id : { 1001, 1002, 1004, 1005 })
        EXPECT_EQ(fake::WindowOf(fake::Control(Dialog(), id)).check, BST_UNCHECKED) << id;

    const int lastIcon = fake::LastIndexOf("SendMessageA", "dialog");
    const int firstLook = fake::IndexOf("GetFullPathNameA");
    ASSERT_GE(firstLook, 0);
    EXPECT_LT(lastIcon, firstLook) << "the medium is looked for after the icons are set";
    EXPECT_EQ(fake::Count("EnableWindow"), 0) << "a full medium disables nothing";
}

TEST_F(DialogTest, TheDialogIsCentredOnTheScreenAfterInit)
{
    Show({});
    // The window is 231 x 315 on a 1024 x 768 screen.
    EXPECT_EQ(fake::Trace({ "SetWindowPos" }), std::vector<std::string>{ "SetWindowPos dialog -> 396,226" });
    EXPECT_GT(fake::IndexOf("SetWindowPos"), fake::LastIndexOf("FindFirstFileA"));
}

TEST_F(DialogTest, PaintWhenNotMinimisedIsLeftToTheDefault)
{
    INT_PTR answer = 0xdeadbeef;
    Show({ [&](HWND dialog) { answer = CallProc(dialog, WM_PAINT); } });
    EXPECT_EQ(answer, FALSE);
    EXPECT_EQ(fake::Count("BeginPaint"), 0);
    EXPECT_TRUE(fake::IconDraws().empty());
    for (const fake::Sent& sent : fake::SentMessages())
        EXPECT_NE(sent.message, static_cast<UINT>(WM_ICONERASEBKGND));
}

TEST_F(DialogTest, PaintWhenMinimisedErasesThenDrawsTheIconCentred)
{
    const struct
    {
        int line;
        RECT client;
        int cx;
        int cy;
        int x;
        int y;
    } cases[] = {
        { __LINE__, { 0, 0, 0, 0 }, 32, 32, -15, -15 },
        { __LINE__, { 0, 0, 36, 36 }, 32, 32, 2, 2 },
        { __LINE__, { 0, 0, 37, 37 }, 32, 32, 3, 3 },
        { __LINE__, { 0, 0, 33, 34 }, 32, 32, 1, 1 },
        { __LINE__, { 0, 0, 2, 1 }, 32, 32, -14, -15 },  // truncation toward zero, not down
        { __LINE__, { 10, 20, 60, 90 }, 32, 32, 9, 19 },
        { __LINE__, { -5, -7, 40, 40 }, 32, 32, 7, 8 },
        { __LINE__, { 0, 0, 160, 120 }, 16, 16, 72, 52 },
        { __LINE__, { 0, 0, 0, 0 }, 16, 48, -7, -23 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        fake::Reset();
        AfxWinInit(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
        fake::SetSystemMetric(SM_CXICON, c.cx);
        fake::SetSystemMetric(SM_CYICON, c.cy);
        fake::DialogScript script;
        script.iconic = true;
        script.clientRect = c.client;
        INT_PTR answer = 0;
        LONG_PTR messageResult = 0;
        size_t eventsBefore = 0;
        Show({ [&](HWND dialog) {
                  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0xdeadbeef);
                  eventsBefore = fake::Events().size();
                  answer = CallProc(dialog, WM_PAINT);
                  messageResult = GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
              } },
             script);

        EXPECT_EQ(answer, TRUE);
        EXPECT_EQ(messageResult, 0);
        ASSERT_EQ(fake::IconDraws().size(), 1u);
        const fake::IconDraw& draw = fake::IconDraws()[0];
        EXPECT_EQ(draw.x, c.x);
        EXPECT_EQ(draw.y, c.y);
        EXPECT_EQ(draw.icon, fake::IconHandle(IDI_APP_ICON));

        const std::string dc = Hex(draw.dc);
        std::vector<std::string> painting;
        for (size_t i = eventsBefore; i < fake::Events().size(); ++i) {
            const fake::Event& event = fake::Events()[i];
            if (event.api != "SendMessageA" || event.detail.rfind("WM_GETDLGCODE", 0) != 0)
                painting.push_back(event.api + " " + event.subject + " " + event.detail);
        }
        ASSERT_GE(painting.size(), 4u);
        painting.resize(4);  // then the Cancel
        EXPECT_EQ(painting, (std::vector<std::string>{
                                "BeginPaint dialog ",
                                "SendMessageA dialog WM_ICONERASEBKGND " +
                                    std::to_string(reinterpret_cast<uintptr_t>(draw.dc)),
                                "DrawIcon " + dc + " " + std::to_string(c.x) + "," + std::to_string(c.y),
                                "EndPaint dialog " + dc,
                            }));
        ASSERT_EQ(fake::Count("BeginPaint"), 1);
        EXPECT_EQ(fake::Events()[fake::IndexOf("BeginPaint")].result, static_cast<long long>(reinterpret_cast<uintptr_t>(draw.dc)));
    }
}

TEST_F(DialogTest, TheDragIconIsAnsweredDirectly)
{
    INT_PTR answer = 0;
    LONG_PTR messageResult = 0;
    LRESULT delivered = 0;
    Show({ [&](HWND dialog) {
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0xdeadbeef);
        answer = CallProc(dialog, WM_QUERYDRAGICON);
        messageResult = GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
        delivered = fake::Deliver(dialog, WM_QUERYDRAGICON);
    } });
    EXPECT_EQ(answer, reinterpret_cast<INT_PTR>(fake::IconHandle(IDI_APP_ICON)));
    EXPECT_EQ(messageResult, 0xdeadbeef) << "not through DWLP_MSGRESULT";
    EXPECT_EQ(delivered, reinterpret_cast<LRESULT>(fake::IconHandle(IDI_APP_ICON)));
}

TEST_F(DialogTest, CommandsTheDialogLeavesGoToTheAppOnlyInTheRange)
{
    const struct
    {
        int line;
        int id;
        INT_PTR answer;
        std::vector<int> hits;
        bool help;
    } cases[] = {
        { __LINE__, ID_HELP, TRUE, {}, true },
        { __LINE__, 0x8000, TRUE, { 0x8000 }, false },
        { __LINE__, 0xEFFF, TRUE, { 0xEFFF }, false },
        { __LINE__, 0x7FFF, FALSE, {}, false },
        { __LINE__, 0xF000, FALSE, {}, false },
        { __LINE__, 0x8001, FALSE, {}, false },  // in the range, handled by nobody
        { __LINE__, 1002, FALSE, {}, false },    // an option's click
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line << ": id " << std::hex << c.id);
        fake::Reset();
        AfxWinInit(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
        medium::Lay("C:\\");
        app.hits.clear();
        INT_PTR answer = 0xdeadbeef;
        EXPECT_EQ(Show({ [&](HWND dialog) { answer = CallProc(dialog, WM_COMMAND, MAKEWPARAM(c.id, 0), 0); } }), IDCANCEL);

        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(app.hits, c.hits);
        if (c.help) {
            ASSERT_EQ(fake::HelpCalls().size(), 1u);
            EXPECT_EQ(fake::HelpCalls()[0].file, kHelpFile);
            EXPECT_EQ(fake::HelpCalls()[0].command, static_cast<UINT>(HELP_CONTENTS));
            EXPECT_EQ(fake::HelpCalls()[0].owner, Dialog()) << "owned by the active window, the dialog";
        } else {
            EXPECT_TRUE(fake::HelpCalls().empty());
        }
        EXPECT_TRUE(fake::WinExecs().empty());
    }
}

TEST_F(DialogTest, F1OpensTheHelpFile)
{
    INT_PTR answer = 0;
    Show({ [&](HWND dialog) { answer = CallProc(dialog, WM_HELP); } });
    EXPECT_EQ(answer, TRUE);
    ASSERT_EQ(fake::HelpCalls().size(), 1u);
    EXPECT_EQ(fake::HelpCalls()[0].file, kHelpFile);
    EXPECT_EQ(fake::HelpCalls()[0].command, static_cast<UINT>(HELP_CONTENTS));
    EXPECT_EQ(fake::HelpCalls()[0].data, 0u);
    EXPECT_EQ(fake::HelpCalls()[0].owner, Dialog());
}

TEST_F(DialogTest, MessagesBeforeInitGetTheDefaultAnswer)
{
    const HWND window = fake::MakeDialog(CDialog::DialogProc);
    EXPECT_EQ(CDialog::DialogProc(window, WM_SETFONT, 0xF047, FALSE), FALSE);
    EXPECT_EQ(CDialog::DialogProc(window, WM_COMMAND, IDOK, 0), FALSE);
    EXPECT_EQ(fake::Count("EndDialog"), 0);
}

// Throws from the chosen handler; every other message takes the usual way.
class ThrowingDialog : public CDialog
{
public:
    enum Kind { FrameworkException, StdException, Int };
    ThrowingDialog(UINT message, Kind kind) : CDialog(IDD_MASTERINSTALL_DIALOG), m_message(message), m_kind(kind) {}

protected:
    BOOL OnInitDialog() override
    {
        ThrowIf(WM_INITDIALOG);
        return CDialog::OnInitDialog();
    }
    void OnOK() override
    {
        ThrowIf(WM_COMMAND);
        CDialog::OnOK();
    }
    void OnPaint() { ThrowIf(WM_PAINT); }

    DECLARE_MESSAGE_MAP()

private:
    void ThrowIf(UINT message)
    {
        if (message != m_message)
            return;
        switch (m_kind) {
        case FrameworkException:
            throw new CFileException(ERROR_SHARING_VIOLATION, "C:\\in use");  // a leak if not Delete()d
        case StdException:
            throw std::runtime_error("handler failed");
        case Int:
            throw 7;
        }
    }

    UINT m_message;
    Kind m_kind;
};

BEGIN_MESSAGE_MAP(ThrowingDialog, CDialog)
    ON_WM_PAINT()
END_MESSAGE_MAP()

TEST_F(DialogTest, AnExceptionInAHandlerStaysInsideTheDialogProcedure)
{
    const struct
    {
        int line;
        UINT message;
        WPARAM wParam;
    } messages[] = {
        { __LINE__, WM_COMMAND, IDOK },
        { __LINE__, WM_PAINT, 0 },
    };
    for (const auto& m : messages)
        for (ThrowingDialog::Kind kind : { ThrowingDialog::FrameworkException, ThrowingDialog::StdException, ThrowingDialog::Int }) {
            SCOPED_TRACE(testing::Message() << "case at line " << m.line << ", kind " << kind);
            fake::Reset();
            INT_PTR answer = 0xdeadbeef;
            fake::DialogScript script;
            script.user = { [&](HWND dialog) { answer = CallProc(dialog, m.message, m.wParam, 0); }, Cancel() };
            fake::SetDialogScript(script);
            ThrowingDialog dialog(m.message, kind);
            INT_PTR result = 0;
            EXPECT_NO_THROW(result = dialog.DoModal());
            EXPECT_EQ(answer, FALSE);
            EXPECT_EQ(result, IDCANCEL) << "the dialog still works after the exception";
        }
}

TEST_F(DialogTest, AnExceptionInOnInitDialogStaysInsideTooAndTheDialogStillEnds)
{
    fake::DialogScript script;
    script.user = { Cancel() };
    fake::SetDialogScript(script);
    ThrowingDialog dialog(WM_INITDIALOG, ThrowingDialog::FrameworkException);
    INT_PTR result = 0;
    EXPECT_NO_THROW(result = dialog.DoModal());
    EXPECT_EQ(result, IDCANCEL);
}

using DialogDeathTest = DialogTest;

TEST_F(DialogDeathTest, InitWithoutAnObjectGetsTheDefaultAnswer)
{
    // DialogBoxParam with a null parameter, as DialogBox would pass it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const HWND window = fake::MakeDialog(CDialog::DialogProc);
    EXPECT_EXIT(std::_Exit(CDialog::DialogProc(window, WM_INITDIALOG, 0, 0) == FALSE ? 0 : 1),
                testing::ExitedWithCode(0), "");
}

}  // namespace
