# tests of this area are listed here
