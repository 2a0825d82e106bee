#include "database.h"

#include <cstdint>

QString TDatabase::GetSetting(const QString& AKey, const QString& ADefault)
{
    QString result = ADefault;
    auto q = NewQ();
    q->SetSQL(QStringLiteral("SELECT value FROM settings WHERE key=:k"));
    q->BindText("k", AKey);
    q->Open();
    if (!q->Eof())
        result = q->AsText("value");
    return result;
}

void TDatabase::SetSetting(const QString& AKey, const QString& AValue)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("INSERT INTO settings (key, value) VALUES (:k, :v) ON CONFLICT(key) "
                             "DO UPDATE SET value=excluded.value"));
    q->BindText("k", AKey);
    q->BindText("v", AValue);
    q->ExecSQL();
    Commit();
}

namespace {

// A signed 32-bit number written as SetSettingInt writes it: an optional minus sign and decimal
// digits, nothing else (no blanks, no plus sign).
bool ParseInt32(const QString& AText, int32_t& AValue)
{
    const qsizetype n = AText.size();
    const bool negative = n > 0 && AText.at(0) == u'-';
    qsizetype i = negative ? 1 : 0;
    if (i == n)
        return false;
    // Counted towards the limit of the sign's side, so the smallest value fits as well.
    const int64_t limit = negative ? -int64_t(INT32_MIN) : int64_t(INT32_MAX);
    int64_t magnitude = 0;
    for (; i < n; ++i) {
        const char16_t c = AText.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > limit)
            return false;
    }
    AValue = int32_t(negative ? -magnitude : magnitude);
    return true;
}

} // namespace

int32_t TDatabase::GetSettingInt(const QString& AKey, int32_t ADefault)
{
    const QString text = GetSetting(AKey, QString::number(ADefault));
    int32_t v = 0;
    return ParseInt32(text, v) ? v : ADefault;
}

void TDatabase::SetSettingInt(const QString& AKey, int32_t AValue)
{
    SetSetting(AKey, QString::number(AValue));
}
