/* One do-nothing function that each test library exports under the names its
   .def file gives it: the probe only asks whether a name is exported, and
   never calls it. */
int QuorvelTestEntry(void) { return 0; }
