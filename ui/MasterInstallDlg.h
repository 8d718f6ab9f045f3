// The product-selection dialog.
#pragma once
#include "../framework/Framework.h"
#include "resource.h"

class CMasterInstallDlg : public CDialog
{
public:
    explicit CMasterInstallDlg(CWnd* parent = nullptr);

    int m_nProduct;  // the chosen option's index in the group; -1 for none
    HICON m_hIcon;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    DECLARE_MESSAGE_MAP()
};

// Where an icon of cx by cy sits centred in the client rectangle.
POINT CenteredIconOrigin(const RECT& client, int cx, int cy);
