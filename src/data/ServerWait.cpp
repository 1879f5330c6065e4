#include "data/ServerWait.h"

#include "data/Database.h"

#include <QSqlDatabase>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <libpq-fe.h>
#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace {
// The watchdog of ServerWait: one thread for the process, started with the first wait.
struct Watch {
    std::mutex lock;
    std::condition_variable changed;
    struct Entry {
        int depth = 0;
        int socket = -1;
        std::chrono::steady_clock::time_point deadline;
    };
    std::map<PGconn*, Entry> waits;
    std::set<PGconn*> gaveUp;
    bool started = false;

    static Watch& instance()
    {
        static Watch* w = new Watch; // never destroyed: its thread outlives static destruction
        return *w;
    }
    void run()
    {
        std::unique_lock<std::mutex> l(lock);
        for (;;) {
            const auto now = std::chrono::steady_clock::now();
            auto next = now + std::chrono::seconds(1);
            for (auto& [conn, entry] : waits) {
                if (gaveUp.count(conn))
                    continue;
                if (entry.deadline <= now) {
                    // The socket stays open (libpq closes it); the waiting call sees it end.
                    // The entry lives until its wait ends or the connection is closed
                    // (forget()), so the socket is libpq's still.
#ifdef Q_OS_WIN
                    shutdown(SOCKET(entry.socket), SD_BOTH);
#else
                    shutdown(entry.socket, SHUT_RDWR);
#endif
                    gaveUp.insert(conn);
                } else {
                    next = std::min(next, entry.deadline);
                }
            }
            changed.wait_until(l, next);
        }
    }
    // Before a connection is closed: its socket is no longer the watchdog's to shut.
    static void forget(PGconn* conn)
    {
        if (!conn)
            return;
        Watch& w = instance();
        std::lock_guard<std::mutex> l(w.lock);
        w.waits.erase(conn);
        w.gaveUp.erase(conn);
    }
};

PGconn* pgHandle(const QSqlDatabase& db) { return static_cast<PGconn*>(Database::serverHandle(db)); }
} // namespace

ServerWait::ServerWait(const QSqlDatabase& db)
{
    PGconn* conn = db.isOpen() ? pgHandle(db) : nullptr;
    if (!conn || PQsocket(conn) < 0)
        return;
    m_conn = conn;
    Watch& w = Watch::instance();
    std::lock_guard<std::mutex> l(w.lock);
    if (!w.started) {
        w.started = true;
        std::thread([&w] { w.run(); }).detach();
    }
    Watch::Entry& e = w.waits[conn];
    ++e.depth;
    e.socket = PQsocket(conn);
    e.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs());
    w.changed.notify_all();
}

ServerWait::~ServerWait()
{
    if (!m_conn)
        return;
    Watch& w = Watch::instance();
    std::lock_guard<std::mutex> l(w.lock);
    auto it = w.waits.find(static_cast<PGconn*>(m_conn));
    if (it != w.waits.end() && --it->second.depth <= 0)
        w.waits.erase(it);
}

void ServerWait::progress()
{
    if (!m_conn)
        return;
    Watch& w = Watch::instance();
    std::lock_guard<std::mutex> l(w.lock);
    auto it = w.waits.find(static_cast<PGconn*>(m_conn));
    if (it != w.waits.end())
        it->second.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs());
}

int ServerWait::limitMs()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("MERAVEL_SERVER_WAIT_MS", &ok);
    return ok && ms > 0 ? ms : 45000;
}

bool ServerWait::gaveUp(const QSqlDatabase& db)
{
    PGconn* conn = pgHandle(db);
    if (!conn)
        return false;
    Watch& w = Watch::instance();
    std::lock_guard<std::mutex> l(w.lock);
    return w.gaveUp.count(conn) > 0;
}

void ServerWait::forget(void* conn) { Watch::forget(static_cast<PGconn*>(conn)); }
