#include "gui/frame/DesktopApplications.h"

#include <QFile>
#include <QMimeDatabase>
#include <algorithm>

// GIO's D-Bus headers name a struct member "signals", which Qt defines as a
// keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace {

struct GObjectUnref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GErrorFree
{
    void operator()(GError* error) const { g_error_free(error); }
};
struct GListUnrefAll
{
    void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};
struct GFree
{
    void operator()(gpointer memory) const { g_free(memory); }
};

// Takes over the caller's reference.
CDesktopApplications::Entry ToEntry(GAppInfo* app)
{
    CDesktopApplications::Entry entry;
    entry.app = std::shared_ptr<GAppInfo>(app, GObjectUnref());
    entry.id = QString::fromUtf8(g_app_info_get_id(app));
    entry.name = QString::fromUtf8(g_app_info_get_name(app));
    if (entry.name.isEmpty()) {
        entry.name = entry.id;
    }
    // A themed icon gives its name, a file icon its path.
    if (GIcon* icon = g_app_info_get_icon(app)) {
        const std::unique_ptr<gchar, GFree> text(g_icon_to_string(icon));
        entry.icon = QString::fromUtf8(text.get());
    }
    return entry;
}

} // namespace

QList<CDesktopApplications::Entry> CDesktopApplications::ForMimeType(const QString& mimeType)
{
    QList<Entry> entries;
    Entry defaultApp;
    if (DefaultFor(mimeType, &defaultApp)) {
        entries.append(defaultApp);
    }
    const QByteArray type = mimeType.toUtf8();
    // Recommended: the type's own applications; fallback: those of its
    // parent types.
    for (const auto query : {&g_app_info_get_recommended_for_type, &g_app_info_get_fallback_for_type}) {
        const std::unique_ptr<GList, GListUnrefAll> apps(query(type.constData()));
        for (GList* item = apps.get(); item; item = item->next) {
            GAppInfo* app = G_APP_INFO(item->data);
            const bool listed = std::any_of(entries.cbegin(), entries.cend(), [app](const Entry& entry) {
                return g_app_info_equal(entry.app.get(), app);
            });
            if (!listed) {
                entries.append(ToEntry(G_APP_INFO(g_object_ref(app))));
            }
        }
    }
    return entries;
}

bool CDesktopApplications::DefaultFor(const QString& mimeType, Entry* entry)
{
    GAppInfo* app = g_app_info_get_default_for_type(mimeType.toUtf8().constData(), FALSE);
    if (!app) {
        return false;
    }
    const Entry found = ToEntry(app);
    if (entry) {
        *entry = found;
    }
    return true;
}

QString CDesktopApplications::MimeTypeOfFile(const QString& path)
{
    return QMimeDatabase().mimeTypeForFile(path).name();
}

bool CDesktopApplications::Launch(const Entry& entry, const QString& path, QString* error)
{
    if (!entry.app) {
        if (error) {
            *error = tr("no program was chosen");
        }
        return false;
    }
    // The file goes over as a file, not as text: GIO fills it into the
    // application's command line as a path or a URI, whichever it takes.
    const std::unique_ptr<GFile, GObjectUnref> file(g_file_new_for_path(QFile::encodeName(path).constData()));
    GList files{file.get(), nullptr, nullptr};
    GError* failure = nullptr;
    if (g_app_info_launch(entry.app.get(), &files, nullptr, &failure)) {
        return true;
    }
    const std::unique_ptr<GError, GErrorFree> owned(failure);
    if (error) {
        *error = owned ? QString::fromUtf8(owned->message) : QString();
    }
    return false;
}
