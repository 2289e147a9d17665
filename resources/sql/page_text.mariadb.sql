-- MariaDB
-- The text of every page of the stored documents, for full-text search, and the
-- state of each document's reading. The component creates these tables when they
-- are missing; a host may create them itself from this file. Body holds the page's
-- text in search form, Words the words with their boxes. MariaDB's full-text
-- indexes find words, not substrings of Chinese text: searches read Body, compared
-- as bytes.
CREATE TABLE IF NOT EXISTS Original_PageText (
    ID varchar(40) NOT NULL,
    Page integer NOT NULL,
    Body longtext CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NOT NULL,
    Words longtext,
    PRIMARY KEY (ID, Page)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
-- State: busy (claimed by Owner at ClaimedAt, seconds since 1970), done or failed.
CREATE TABLE IF NOT EXISTS Original_TextState (
    ID varchar(40) NOT NULL PRIMARY KEY,
    State varchar(10) NOT NULL,
    Owner varchar(100),
    ClaimedAt bigint,
    Tries integer,
    Message varchar(500)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
