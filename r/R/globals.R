utils::globalVariables(".data")
