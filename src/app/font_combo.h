// Placeholder: filled in by the work on this control.
#pragma once
