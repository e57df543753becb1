#include "ui/LanguageUnit.h"
