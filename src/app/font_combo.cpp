#include "app/font_combo.h"
