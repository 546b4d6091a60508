-- Template of the working database: one row per word occurrence.
CREATE TABLE tbWords (Word TEXT);
