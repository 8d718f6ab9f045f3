#include "MasterInstallDlg.h"

#include "../app/MediumDiscovery.h"

BEGIN_MESSAGE_MAP(CMasterInstallDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

CMasterInstallDlg::CMasterInstallDlg(CWnd* parent)
    : CDialog(IDD_MASTERINSTALL_DIALOG, parent),
      m_nProduct(-1),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_APP_ICON)))
{
}

void CMasterInstallDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Radio(pDX, IDC_OPTION_ACROBAT, m_nProduct);
}

BOOL CMasterInstallDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    DisableMissingProducts(*this, FindMediumRoot());
    return TRUE;  // the focus goes to the first tab stop, OK
}

POINT CenteredIconOrigin(const RECT& client, int cx, int cy)
{
    // Signed arithmetic: a client area smaller than the icon gives a negative origin.
    POINT origin;
    origin.x = (client.right - cx - client.left + 1) / 2;
    origin.y = (client.bottom - cy - client.top + 1) / 2;
    return origin;
}

void CMasterInstallDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    RECT client;
    GetClientRect(&client);
    const POINT origin = CenteredIconOrigin(client, ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
    ::DrawIcon(dc.m_hDC, origin.x, origin.y, m_hIcon);
}

HCURSOR CMasterInstallDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}
