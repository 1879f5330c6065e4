#pragma once
#include <QString>

// A PostgreSQL server address as written in database.conf or on the command line:
//   postgresql://user@host:port/dbname[?sslmode=MODE][&host=/socket/folder]
// (also postgres://). The host may be a Unix socket folder, percent-encoded in the address or
// given as the host parameter. A password never belongs in the address: it is read by libpq
// from its password file or the environment, as PostgreSQL users expect.
struct ServerUrl {
    QString user;
    QString host;
    int port = -1; // -1: libpq's default
    QString database;
    QString sslmode;

    // Reads text into *url; false with the reason in *error (English, for the log and the CLI).
    static bool parse(const QString& text, ServerUrl* url, QString* error = nullptr);
    static bool looksLikeUrl(const QString& text);
    // One of libpq's six sslmode words.
    static bool isSslMode(const QString& mode);
    // Whether every value may go into a connection string: sslmode one of the six words, no
    // control character anywhere, no list of hosts, a port in range. False with the reason.
    bool check(QString* error = nullptr) const;
    // "host:port/dbname" (the socket folder for a local server), for messages.
    QString display() const;
    // The address again, for the CLI and for child processes.
    QString toString() const;
};
