# Window procedures and plain logic of this subsystem.
