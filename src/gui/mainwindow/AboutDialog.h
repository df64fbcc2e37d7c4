#pragma once

#include <QDialog>

class CHyperlinkLabel;

// "About Wendlock": the program icon and version, the web site and the
// support address as links.
class CAboutDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(CAboutDialog)

public:
    explicit CAboutDialog(QWidget* parent = nullptr);

    CHyperlinkLabel* WebSiteLink() const { return m_pWebSite; }
    CHyperlinkLabel* EmailLink() const { return m_pEmail; }

private:
    CHyperlinkLabel* m_pWebSite = nullptr;
    CHyperlinkLabel* m_pEmail = nullptr;
};
