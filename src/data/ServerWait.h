#pragma once

class QSqlDatabase;

// Bounds the wait for a server while it lives: when the server sends nothing for
// serverWaitLimitMs() (a frozen or vanished server the keep-alives do not catch), a watchdog
// shuts the connection's socket, so the statement waiting on it fails and the open transaction
// is lost with the connection (the server rolls it back). Nested waits on one connection share
// the limit; progress() restarts it. Nothing happens on a file connection.
class ServerWait {
public:
    explicit ServerWait(const QSqlDatabase& db);
    ~ServerWait();
    ServerWait(const ServerWait&) = delete;
    ServerWait& operator=(const ServerWait&) = delete;
    void progress();
    // 45 s (longer than the server's own statement time-out); MERAVEL_SERVER_WAIT_MS overrides.
    static int limitMs();
    // Whether the watchdog gave up on this connection (its error is then DatabaseText::ServerSilent).
    static bool gaveUp(const QSqlDatabase& db);
    // A connection (libpq's) opened afresh or about to close: nothing of an earlier one with
    // its address is waited for or counted as given up, and its socket is no longer the
    // watchdog's to shut.
    static void forget(void* conn);

private:
    void* m_conn = nullptr;
};
