#pragma once
// The translations of the program's texts found beside the program, and the switch
// between them.
