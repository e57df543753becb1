#include "measure/ObjKanalUnit.h"

#include <QCoreApplication>

TKanalInfo::TKanalInfo() : Name(QCoreApplication::translate("TKanalInfo", "Unknown")) {}
