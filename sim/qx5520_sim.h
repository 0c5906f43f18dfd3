// The entry points the virtual chip offers beyond FTDI's library, for tests.
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

/// The clock the magnet of the chips started by the next QX5520Sim_Reset follows, in seconds
/// (a test's fake clock: the magnet then turns only as the test's time goes on); a null
/// pointer is the wall clock again.
typedef double (*QX5520Sim_Seconds_t)(void);
QX_MPSSE_EXPORT void QX5520Sim_SetClock(QX5520Sim_Seconds_t seconds);
typedef void (*QX5520Sim_SetClock_t)(QX5520Sim_Seconds_t seconds);

#ifdef __cplusplus
}
#endif

#endif
