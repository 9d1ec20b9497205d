#include "app/color_button.h"
