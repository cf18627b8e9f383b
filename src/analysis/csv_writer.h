#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Comma-separated values as RFC 4180 has them: UTF-8, a header row, rows
// ended by CR LF, a field quoted when it holds a comma, a quote, CR or LF,
// quotes doubled inside. Not thread-safe; one writer per table.
class CsvWriter {
public:
    explicit CsvWriter(const QStringList& header) { row(header); }
    void row(const QStringList& fields);
    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

QString csvField(const QString& field);
