#include "database.h"

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

int32_t TDatabase::GetSettingInt(const QString& AKey, int32_t ADefault)
{
    const QString text = GetSetting(AKey, QString::number(ADefault));
    bool ok = false;
    const int32_t v = text.toInt(&ok);
    return ok ? v : ADefault;
}

void TDatabase::SetSettingInt(const QString& AKey, int32_t AValue)
{
    SetSetting(AKey, QString::number(AValue));
}
