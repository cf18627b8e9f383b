#include "analysis/csv_writer.h"

QString csvField(const QString& field) {
    static const QString special = QStringLiteral(",\"\r\n");
    if (std::none_of(field.begin(), field.end(), [](QChar c) { return special.contains(c); }))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void CsvWriter::row(const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            bytes_ += ',';
        bytes_ += csvField(fields[i]).toUtf8();
    }
    bytes_ += "\r\n";
}
