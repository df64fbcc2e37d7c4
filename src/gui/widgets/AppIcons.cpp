#include "gui/widgets/AppIcons.h"

#include "files/WebFileFilter.h"
#include "gui/widgets/TintedSvgIconEngine.h"

#include <QHash>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

struct RoleIcon
{
    CAppIcons::Role role;
    const char* themeName;
};

// Roles that mean the same thing share a name and so a picture.
constexpr RoleIcon kRoleIcons[] = {
    {CAppIcons::Role::NewProject, "document-new"},
    {CAppIcons::Role::OpenProject, "document-open"},
    {CAppIcons::Role::SaveProject, "document-save"},
    {CAppIcons::Role::SaveProjectAs, "document-save-as"},
    {CAppIcons::Role::Exit, "application-exit"},
    {CAppIcons::Role::Protect, "document-encrypt"},
    {CAppIcons::Role::HelpContents, "help-contents"},
    {CAppIcons::Role::About, "help-about"},
    {CAppIcons::Role::Homepage, "go-home"},
    {CAppIcons::Role::Mail, "mail-message-new"},
    {CAppIcons::Role::CheckVersion, "system-software-update"},
    {CAppIcons::Role::AddFiles, "list-add"},
    {CAppIcons::Role::AddFolder, "folder"},
    {CAppIcons::Role::Remove, "list-remove"},
    {CAppIcons::Role::RemoveAll, "edit-clear"},
    {CAppIcons::Role::Import, "document-import"},
    {CAppIcons::Role::Export, "document-export"},
    {CAppIcons::Role::Restore, "document-revert"},
    {CAppIcons::Role::AddUser, "contact-new"},
    {CAppIcons::Role::EditUser, "document-properties"},
    {CAppIcons::Role::RandomPassword, "dialog-password"},
    {CAppIcons::Role::CreateTemplate, "document-new"},
    {CAppIcons::Role::Edit, "document-edit"},
    {CAppIcons::Role::Delete, "edit-delete"},
    {CAppIcons::Role::Browser, "internet-web-browser"},
    {CAppIcons::Role::WebPage, "text-html"},
    {CAppIcons::Role::File, "text-x-generic"},
    {CAppIcons::Role::Program, "application-x-executable"},
};

const RoleIcon& Entry(CAppIcons::Role role)
{
    for (const RoleIcon& entry : kRoleIcons) {
        if (entry.role == role) {
            return entry;
        }
    }
    return kRoleIcons[0];
}

} // namespace

QIcon CAppIcons::Icon(Role role)
{
    return QIcon::fromTheme(ThemeName(role), Fallback(role));
}

QString CAppIcons::ThemeName(Role role)
{
    return QLatin1String(Entry(role).themeName);
}

QString CAppIcons::FallbackPath(Role role)
{
    return QStringLiteral(":/icons/") + ThemeName(role) + QStringLiteral(".svg");
}

QList<CAppIcons::Role> CAppIcons::AllRoles()
{
    QList<Role> roles;
    for (const RoleIcon& entry : kRoleIcons) {
        roles.append(entry.role);
    }
    return roles;
}

QIcon CAppIcons::Fallback(Role role)
{
    // One icon object per drawing, so that every control showing a role
    // shares it (and its rendered pixmaps).
    static QHash<QString, QIcon> loaded;
    const QString path = FallbackPath(role);
    auto found = loaded.constFind(path);
    if (found == loaded.constEnd()) {
        // The icon owns its engine. Drawn in the palette's text colour, so
        // the drawing reads on a dark toolbar as on a light one.
        found = loaded.insert(path, QIcon(new CTintedSvgIconEngine(path)));
    }
    return *found;
}

QIcon CAppIcons::ForFileName(const QString& fileName)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    // A web page the MIME database does not know (".jsp") still looks like one.
    const Role generic = type.name() == QLatin1String("text/html") ||
                                 (type.isDefault() && CWebFileFilter::IsWebFileName(fileName))
                             ? Role::WebPage
                             : Role::File;
    if (type.isDefault()) {
        return Icon(generic);
    }
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), Icon(generic)));
}

QIcon CAppIcons::Application()
{
    // A page with a padlock in front, drawn on a 32 x 32 grid.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);

        QPainterPath page;
        page.moveTo(7, 3);
        page.lineTo(20, 3);
        page.lineTo(26, 9);
        page.lineTo(26, 29);
        page.lineTo(7, 29);
        page.closeSubpath();
        p.setPen(QPen(QColor(90, 90, 90), 1.5));
        p.setBrush(Qt::white);
        p.drawPath(page);
        p.setBrush(QColor(220, 220, 220));
        p.drawPolygon(QPolygonF({QPointF(20, 3), QPointF(20, 9), QPointF(26, 9)}));
        p.setPen(QPen(QColor(150, 170, 200), 1.5));
        for (int y = 12; y <= 16; y += 4) {
            p.drawLine(QPointF(10, y), QPointF(23, y));
        }

        const QRectF box(12, 13, 18, 18);
        const qreal w = box.width();
        const qreal h = box.height();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(110, 110, 120), w * 0.14, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(QRectF(box.left() + w * 0.22, box.top(), w * 0.56, h * 0.62), 0, 180 * 16);
        p.drawLine(QPointF(box.left() + w * 0.22, box.top() + h * 0.31),
                   QPointF(box.left() + w * 0.22, box.top() + h * 0.5));
        p.drawLine(QPointF(box.left() + w * 0.78, box.top() + h * 0.31),
                   QPointF(box.left() + w * 0.78, box.top() + h * 0.5));
        const QRectF body(box.left(), box.top() + h * 0.45, w, h * 0.55);
        QLinearGradient gold(body.topLeft(), body.bottomLeft());
        gold.setColorAt(0, QColor(250, 205, 70));
        gold.setColorAt(1, QColor(205, 145, 20));
        p.setPen(QPen(QColor(140, 95, 10), w * 0.05));
        p.setBrush(gold);
        p.drawRoundedRect(body, w * 0.1, w * 0.1);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 45, 0));
        const QPointF hole(body.center().x(), body.top() + body.height() * 0.42);
        p.drawEllipse(hole, w * 0.09, w * 0.09);
        p.drawRect(QRectF(hole.x() - w * 0.04, hole.y(), w * 0.08, body.height() * 0.32));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
