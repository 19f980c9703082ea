#include "platform/keyring/CSecretService.h"

#include <gio/gio.h>
#include <utility>
#include <vector>

namespace {

constexpr const char* kBusName = "org.freedesktop.secrets";
constexpr const char* kServicePath = "/org/freedesktop/secrets";
constexpr const char* kServiceInterface = "org.freedesktop.Secret.Service";
constexpr const char* kCollectionInterface = "org.freedesktop.Secret.Collection";
constexpr const char* kItemInterface = "org.freedesktop.Secret.Item";
// QtKeychain's schema and attribute names: its items and ours are the same.
constexpr const char* kSchema = "org.qt.keychain";
// Starting a keyring daemon by D-Bus activation takes about a second; a
// service that has not answered after this is not going to.
constexpr int kCallMillis = 10000;

constexpr const char* kNoBus = "セッションバスに接続できません";
constexpr const char* kNoService = "キーリングのサービスがありません";
constexpr const char* kNoKeyring = "既定のキーリングがありません";
constexpr const char* kLocked = "キーリングがロックされています";
constexpr const char* kFailed = "キーリングを使えません";

struct CVariantUnref {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
using CVariantPtr = std::unique_ptr<GVariant, CVariantUnref>;

struct CErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

std::string Reason(const char* text, GError* error) {
    std::unique_ptr<GError, CErrorFree> owned(error);
    return owned ? std::string(text) + ": " + owned->message : std::string(text);
}

std::vector<std::string> ObjectPaths(GVariant* array) {
    std::vector<std::string> paths;
    GVariantIter iter;
    const gchar* path = nullptr;
    g_variant_iter_init(&iter, array);
    while (g_variant_iter_next(&iter, "&o", &path))
        paths.emplace_back(path);
    return paths;
}

GVariant* SearchAttributes(const std::string& service, const std::string& key) {
    GVariantBuilder attributes;
    g_variant_builder_init(&attributes, G_VARIANT_TYPE("a{ss}"));
    g_variant_builder_add(&attributes, "{ss}", "server", service.c_str());
    g_variant_builder_add(&attributes, "{ss}", "user", key.c_str());
    return g_variant_builder_end(&attributes);
}

GVariant* Bytes(const std::string& bytes) {
    return g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(), bytes.size(), 1);
}

} // namespace

// One private bus connection and one Secret Service session on it. Private,
// so closing it never ends the process (GLib's shared connection does on a
// lost bus) and every store sees the bus of its own time.
class CSecretService::CSession {
public:
    ~CSession() {
        if (m_pConnection == nullptr)
            return;
        g_dbus_connection_close_sync(m_pConnection, nullptr, nullptr);
        g_object_unref(m_pConnection);
    }

    bool Open(std::string& reason);
    // The default keyring, unlocked; empty with a reason otherwise.
    std::string DefaultCollection(std::string& reason);
    // The unlocked and the locked items with these attributes.
    bool Search(GVariant* attributes, std::vector<std::string>& unlocked,
                std::vector<std::string>& locked, std::string& reason);
    CVariantPtr Call(const std::string& path, const char* interface, const char* method,
                     GVariant* arguments, const char* replyType, std::string& reason);

    const std::string& Path() const { return m_strPath; }

private:
    GDBusConnection* m_pConnection = nullptr;
    std::string m_strPath;
};

CVariantPtr CSecretService::CSession::Call(const std::string& path, const char* interface,
                                           const char* method, GVariant* arguments,
                                           const char* replyType, std::string& reason) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        m_pConnection, kBusName, path.c_str(), interface, method, arguments,
        G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, kCallMillis, nullptr, &error);
    if (reply == nullptr)
        reason = Reason(kFailed, error);
    return CVariantPtr(reply);
}

bool CSecretService::CSession::Open(std::string& reason) {
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    // "autolaunch:" would start a bus of its own (and a keyring nobody
    // unlocked) from a cron job: no session bus is the honest answer.
    if (address == nullptr || g_str_has_prefix(address, "autolaunch:")) {
        g_free(address);
        reason = Reason(kNoBus, error);
        return false;
    }
    auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                   G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    m_pConnection =
        g_dbus_connection_new_for_address_sync(address, flags, nullptr, nullptr, &error);
    g_free(address);
    if (m_pConnection == nullptr) {
        reason = Reason(kNoBus, error);
        return false;
    }
    g_dbus_connection_set_exit_on_close(m_pConnection, FALSE);
    // "plain": the secret crosses the session bus as it is. Only processes of
    // this user can listen there, and they may ask the keyring anyway.
    CVariantPtr reply =
        Call(kServicePath, kServiceInterface, "OpenSession",
             g_variant_new("(sv)", "plain", g_variant_new_string("")), "(vo)", reason);
    if (!reply) {
        reason = kNoService + reason.substr(std::string(kFailed).size());
        return false;
    }
    const gchar* path = nullptr;
    g_variant_get_child(reply.get(), 1, "&o", &path);
    m_strPath = path;
    return true;
}

std::string CSecretService::CSession::DefaultCollection(std::string& reason) {
    CVariantPtr alias = Call(kServicePath, kServiceInterface, "ReadAlias",
                             g_variant_new("(s)", "default"), "(o)", reason);
    const gchar* path = nullptr;
    if (alias)
        g_variant_get_child(alias.get(), 0, "&o", &path);
    if (path == nullptr || std::string(path) == "/") {
        if (alias)
            reason = kNoKeyring;
        return {};
    }
    std::string collection = path;
    CVariantPtr locked = Call(collection, "org.freedesktop.DBus.Properties", "Get",
                              g_variant_new("(ss)", kCollectionInterface, "Locked"), "(v)", reason);
    if (!locked) {
        reason = kNoKeyring;
        return {};
    }
    CVariantPtr value(g_variant_get_child_value(locked.get(), 0));
    CVariantPtr flag(g_variant_get_variant(value.get()));
    if (!g_variant_is_of_type(flag.get(), G_VARIANT_TYPE_BOOLEAN) ||
        g_variant_get_boolean(flag.get())) {
        reason = kLocked;
        return {};
    }
    return collection;
}

bool CSecretService::CSession::Search(GVariant* attributes, std::vector<std::string>& unlocked,
                                      std::vector<std::string>& locked, std::string& reason) {
    CVariantPtr reply = Call(kServicePath, kServiceInterface, "SearchItems",
                             g_variant_new("(@a{ss})", attributes), "(aoao)", reason);
    if (!reply)
        return false;
    CVariantPtr open(g_variant_get_child_value(reply.get(), 0));
    CVariantPtr closed(g_variant_get_child_value(reply.get(), 1));
    unlocked = ObjectPaths(open.get());
    locked = ObjectPaths(closed.get());
    return true;
}

CSecretService::CSecretService(std::string service) : m_strService(std::move(service)) {}

CSecretService::~CSecretService() = default;

ESecretStatus CSecretService::Unavailable(const std::string& reason) {
    m_strReason = reason.empty() ? kFailed : reason;
    return ESecretStatus::Unavailable;
}

// One attempt per store: a cycle that finds no keyring does not wait for
// it again on every secret.
bool CSecretService::Connect() {
    if (m_pSession)
        return true;
    if (m_bConnectFailed)
        return false;
    auto session = std::make_unique<CSession>();
    if (!session->Open(m_strReason)) {
        m_bConnectFailed = true;
        return false;
    }
    m_pSession = std::move(session);
    return true;
}

// The default keyring when it can be used now; Unavailable with the reason
// otherwise.
ESecretStatus CSecretService::UsableKeyring(std::string& collection) {
    if (!Connect())
        return Unavailable(m_strReason);
    std::string reason;
    collection = m_pSession->DefaultCollection(reason);
    if (collection.empty())
        return Unavailable(reason);
    m_strReason.clear();
    return ESecretStatus::Ok;
}

// The key's items; any of them locked makes the keyring unusable for it.
ESecretStatus CSecretService::FindItems(const std::string& key, std::vector<std::string>& items) {
    std::string collection, reason;
    std::vector<std::string> locked;
    if (UsableKeyring(collection) != ESecretStatus::Ok)
        return ESecretStatus::Unavailable;
    if (!m_pSession->Search(SearchAttributes(m_strService, key), items, locked, reason))
        return Unavailable(reason);
    if (!locked.empty())
        return Unavailable(kLocked);
    return ESecretStatus::Ok;
}

ESecretStatus CSecretService::Store(const std::string& key, const std::string& secret,
                                    const std::string& label) {
    std::string collection, reason;
    if (UsableKeyring(collection) != ESecretStatus::Ok)
        return ESecretStatus::Unavailable;
    GVariantBuilder attributes;
    g_variant_builder_init(&attributes, G_VARIANT_TYPE("a{ss}"));
    g_variant_builder_add(&attributes, "{ss}", "xdg:schema", kSchema);
    g_variant_builder_add(&attributes, "{ss}", "server", m_strService.c_str());
    g_variant_builder_add(&attributes, "{ss}", "user", key.c_str());
    g_variant_builder_add(&attributes, "{ss}", "type", "plaintext");
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&properties, "{sv}", "org.freedesktop.Secret.Item.Label",
                          g_variant_new_string(label.c_str()));
    g_variant_builder_add(&properties, "{sv}", "org.freedesktop.Secret.Item.Attributes",
                          g_variant_builder_end(&attributes));
    GVariant* value = g_variant_new("(o@ay@ays)", m_pSession->Path().c_str(), Bytes({}),
                                    Bytes(secret), "text/plain");
    CVariantPtr reply = m_pSession->Call(
        collection, kCollectionInterface, "CreateItem",
        g_variant_new("(@a{sv}@(oayays)b)", g_variant_builder_end(&properties), value, TRUE),
        "(oo)", reason);
    return reply ? ESecretStatus::Ok : Unavailable(reason);
}

ESecretStatus CSecretService::Read(const std::string& key, std::string& secret) {
    std::vector<std::string> items;
    ESecretStatus status = FindItems(key, items);
    if (status != ESecretStatus::Ok)
        return status;
    if (items.empty())
        return ESecretStatus::NotFound;
    std::string reason;
    CVariantPtr reply =
        m_pSession->Call(items.front(), kItemInterface, "GetSecret",
                         g_variant_new("(o)", m_pSession->Path().c_str()), "((oayays))", reason);
    if (!reply)
        return Unavailable(reason);
    CVariantPtr value(g_variant_get_child_value(reply.get(), 0));
    CVariantPtr bytes(g_variant_get_child_value(value.get(), 2));
    gsize size = 0;
    const void* data = g_variant_get_fixed_array(bytes.get(), &size, 1);
    secret.assign(static_cast<const char*>(data), size);
    return ESecretStatus::Ok;
}

ESecretStatus CSecretService::Remove(const std::string& key) {
    std::vector<std::string> items;
    ESecretStatus status = FindItems(key, items);
    std::string reason;
    for (size_t i = 0; status == ESecretStatus::Ok && i < items.size(); ++i) {
        if (!m_pSession->Call(items[i], kItemInterface, "Delete", nullptr, "(o)", reason))
            status = Unavailable(reason);
    }
    return status;
}
