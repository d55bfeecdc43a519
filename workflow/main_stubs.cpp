// Temporary stand-ins for members whose real definitions other files will hold. Whoever writes the real
// member deletes its stand-in here in the same change.
#include "main.h"


