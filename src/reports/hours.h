// Hour accounting: the lessons placed and delivered for a group, a teacher
// and a subject, and the figures of the monthly and summary statements.
#pragma once

namespace zavlin::reports {}
