// placeholder until its routines land
