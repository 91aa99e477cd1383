namespace pellimor {}
