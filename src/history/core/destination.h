#pragma once

#include <QString>

#include <optional>

// A place uploads go to, as the history keeps it: its stable identity (what tells it apart from
// every other, whatever the operator calls it today), its kind, and the name it was last shown by.
struct Destination
{
    enum class Kind { Port, Server, Capture };

    QString identity;
    Kind kind = Kind::Port;
    QString label;

    // The kind as the history writes it: "port", "server", "capture".
    static QString kindName(Kind kind);
    static std::optional<Kind> kindNamed(const QString &name);
};
