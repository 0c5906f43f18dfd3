// The one entry point the virtual chip offers beyond FTDI's library, for tests.
#ifndef QX5520_SIM_QX5520_SIM_H
#define QX5520_SIM_QX5520_SIM_H

#include "chip/I2Cdeclarations.h"

#ifdef __cplusplus
extern "C" {
#endif

/// Forgets every open channel and the chip state of this process, reads the scenario named
/// by QX5520_SIM again and starts from a chip at power-up (or from its state file), as a
/// new process would. Handles given out before are invalid afterwards.
QX_MPSSE_EXPORT void QX5520Sim_Reset(void);
typedef void (*QX5520Sim_Reset_t)(void);

#ifdef __cplusplus
}
#endif

#endif
