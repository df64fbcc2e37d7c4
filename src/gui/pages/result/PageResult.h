#pragma once

#include "engine/ResultList.h"
#include "gui/frame/PropertyViewPage.h"

#include <QHash>
#include <QIcon>
#include <memory>

class CIconButton;
class QMenu;
class QTreeWidget;

// The Result page: one row per file of the latest protect run (name, size,
// result, path), and the commands to start a run, test a protected page in
// the browser or edit it. It keeps no project data; only a protect run
// writes its rows.
class CPageResult final : public CPropertyViewPage, public IResultList
{
    Q_OBJECT
    Q_DISABLE_COPY(CPageResult)

public:
    enum Column
    {
        NameColumn = 0,
        SizeColumn,
        ResultColumn,
        PathColumn
    };

    explicit CPageResult(IFrameServices* frame, QWidget* parent = nullptr);

    // IResultList
    void DeleteAllItems() override;
    void AddResultRow(const QString& path, const QString& result) override;

    QTreeWidget* List() const { return m_pList; }
    // Off while a run goes on.
    void SetProtectEnabled(bool enabled);
    // "N KB" for a file of `bytes` (taken as a 32-bit number): the size in
    // thousands, rounded down, at least 1; a file that is not there counts
    // as 12000 bytes.
    static QString SizeText(const QString& path);

    // The context menu "ResultListPop"; without a row under the mouse,
    // everything but Protect is greyed.
    std::unique_ptr<QMenu> CreateContextMenu(bool onRow);

    // The page's commands.
    void OnTest();
    void OnEdit();
    void OnShellOpen();
    void OnShellOpenWith();
    void OnShellOpenFolder();
    void OnShellProperty();
    // Asks the main frame for a share link of the selected page.
    void OnShareLink();

signals:
    // The Protect button and menu entry: the main frame's Protect command.
    void protectRequested();
    // "Copy share link...": a link that logs in to the page at `path`.
    void shareLinkRequested(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ResizeColumns();
    void OnContextMenuRequested(const QPoint& pos);

    CIconButton* m_pProtectButton = nullptr;
    CIconButton* m_pTestButton = nullptr;
    CIconButton* m_pEditButton = nullptr;
    CIconButton* m_pShareButton = nullptr;
    QTreeWidget* m_pList = nullptr;
    // The icons of the file types met, by suffix: a run adds thousands of
    // rows of a few types.
    QHash<QString, QIcon> m_icons;
};
