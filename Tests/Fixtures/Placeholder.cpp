namespace pellimor::fixtures {}
