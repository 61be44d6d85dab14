// A static library whose only tie to the program is its resource table.
int ResStaticFixtureUnused() { return 0; }
