#include "app/ObjGlobalVarUnit.h"

#include "app/GlobalUnit.h"

TGlobalVars *GlobalVars = nullptr;

namespace {
const QString kGeneral = QStringLiteral("General");
const QString kLocaleId = QStringLiteral("LocaleID");
const QString kTavoPath = QStringLiteral("TavoPath");
} // namespace

TGlobalVars::TGlobalVars()
{
    Load();
}

void TGlobalVars::Load()
{
    m_localeId = ReadSettingInt(kGeneral, kLocaleId, 0);
    m_tavoPath = ReadSettingStr(kGeneral, kTavoPath, QString());
}

void TGlobalVars::Save() const
{
    WriteSettingInt(kGeneral, kLocaleId, m_localeId);
    WriteSettingStr(kGeneral, kTavoPath, m_tavoPath);
}
